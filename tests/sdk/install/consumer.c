/* A program of someone else's, built against the installed SDK. */
#include "kavex.h"
#include <stdio.h>
#include <string.h>

int main(void)
{
    char text[64] = {0};
    int n = Kavex_GetErrorText(4711, KAVEX_LANG_GERMAN, text, sizeof text - 1);
    if (Kavex_GetLastError(4711) != 3 || n <= 0 || strcmp(text, "Portnummer ungültig") != 0) {
        fprintf(stderr, "unexpected: %d '%s'\n", n, text);
        return 1;
    }
    return Kavex_OpenPort("my BTW", 19200, 500) == -1 ? 0 : 1;
}
