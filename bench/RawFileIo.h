#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

// The plain system calls that the page operations are measured against: the
// least any program must do to load or save the same bytes.
namespace bench {

struct FreeBytes
{
    void operator()(char *bytes) const { std::free(bytes); }
};

// Aligned to a cache line: the kernel copies into a buffer that starts 16
// bytes into a page (where malloc puts a large block) markedly slower, and a
// baseline should not pay for that.
using Bytes = std::unique_ptr<char[], FreeBytes>;
Bytes AllocateBytes(std::size_t size);

// The whole file, read with read(2) into one buffer of the file's size.
struct RawFile
{
    Bytes bytes;
    std::size_t size = 0;
};

// Opens, sizes with fstat, allocates one buffer and reads into it. Returns an
// empty buffer on failure.
RawFile ReadWholeFile(const char *path);

// Reads the file into a buffer that already holds size bytes, so that nothing
// is allocated. Returns false on failure or when the file has another size.
bool ReadWholeFileInto(const char *path, char *buffer, std::size_t size);

// write(2) of the bytes to path, replacing its content, without waiting for
// the disk.
bool WriteWholeFile(const char *path, const char *bytes, std::size_t size);

// What any atomic, durable save costs: write(2) to a new file beside path,
// fsync, rename over path, then fsync the folder.
bool WriteFileDurably(const char *path, const char *bytes, std::size_t size);

} // namespace bench
