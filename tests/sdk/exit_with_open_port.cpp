// A program that opens a reader and ends without closing it, leaving the
// port to the library's cleanup at exit. Exits 0 when that goes quietly.
#include "kavex.h"
#include "tests/support/sim_reader.h"

int main()
{
    // Static like the reader device it stands for: still there while the
    // library cleans up.
    static kavex::test::SimReader reader;
    return Kavex_OpenPort(reader.link.c_str(), 19200, 500) > 0 ? 0 : 2;
}
