// Standard output through a buffer that remembers the first failed write, so that a run whose
// output was lost (a full disk, a closed descriptor) says so and fails instead of exiting 0.
#pragma once

#include <streambuf>
#include <string>

namespace app {

// Installs itself under std::cout for its lifetime; everything the program prints goes
// through it.
class TStandardOutput {
public:
    TStandardOutput();
    ~TStandardOutput();
    TStandardOutput(const TStandardOutput&) = delete;
    TStandardOutput& operator=(const TStandardOutput&) = delete;

    // Writes what is buffered; the system's reason for the first write that failed, or empty.
    std::string Finish();

private:
    class Buffer;
    Buffer* buffer_;
    std::streambuf* previous_;
};

}  // namespace app
