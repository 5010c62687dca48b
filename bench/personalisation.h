// The personalisation of a card as a card issuer's program runs it, through
// the public C API: format the card; create five applications with AES
// keys, each with one file of every type; write 8 KB enciphered and read it
// back; change two keys per application; read the application and file
// lists. The benchmark times it on a simulated line; a test checks that it
// completes and the card holds what was written.
#pragma once

#include <cstddef>
#include <string>

namespace kavex::bench {

// Card memory the workload needs: a real 8 KB card cannot hold 8 KB of data
// beside the files' own overhead.
constexpr unsigned kPersonalisationCardSize = 16384;

struct PersonalisationResult {
    std::string failure;     // empty on success: which step failed and its status
    size_t bytesWritten = 0; // file data written (and read back)
};

// Runs the workload on an open port with a DESFire EV1 card in the field
// whose card master key is the default (DES, all zero).
PersonalisationResult Personalise(int handle);

} // namespace kavex::bench
