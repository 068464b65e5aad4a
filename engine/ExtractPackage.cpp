#include "engine/ExtractPackage.h"

#include <windows.h>

#include <miniz.h>

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "base/ScopedWin.h"
#include "engine/BackgroundFileWriter.h"
#include "engine/InstallRules.h"
#include "engine/PackageRules.h"
#include "engine/PathHelpers.h"
#include "engine/TextConversion.h"

// miniz 2.1.0 opens files with fopen on MinGW, which reads the path in the ANSI code page: a
// Chinese user name or entry name would not survive. Every file is therefore opened here with
// _wfopen (the archive) or CreateFileW (its files), and miniz only ever sees the open stream.

namespace Engine {

namespace {

// Large files are inflated in pieces of this size, each handed to the writer as one WriteFile;
// smaller files are inflated in one piece. Under Wine every write is a system call, so few large
// ones are cheap.
constexpr std::size_t kPieceBytes = 1 << 20;
constexpr mz_uint64 kWholeFileLimit = 4 << 20;
// What may wait for the writer, handed over in batches; bounds the memory extraction takes,
// whatever the package holds.
constexpr std::size_t kQueuedBytes = 16 << 20;
constexpr std::size_t kBatchBytes = 2 << 20;
// miniz's read buffer for the compressed data, reused for every entry.
constexpr std::size_t kReadBufferBytes = 256 << 10;

// The entry's modification time (also used as access time) as FILETIME ticks, 0 for none.
std::uint64_t EntryTimeTicks(MZ_TIME_T time) {
    if (time < 0)
        return 0;
    constexpr std::uint64_t kUnixEpochIn100ns = 116444736000000000ULL;
    return static_cast<std::uint64_t>(time) * 10000000ULL + kUnixEpochIn100ns;
}

// An empty buffer for the next piece, a written one where the writer has one to spare. Room for one
// more of miniz's slices keeps a full piece from growing its buffer.
std::vector<char> EmptyPiece(BackgroundFileWriter& writer) {
    std::vector<char> piece = writer.TakeBuffer();
    piece.clear();
    piece.reserve(kPieceBytes + (32 << 10));
    return piece;
}

struct PieceSink {
    BackgroundFileWriter* writer;
    std::vector<char> piece;
};

// miniz hands over the inflated data in slices of its 32 KiB window; they are gathered into
// pieces for the writer.
size_t GatherPiece(void* opaque, mz_uint64, const void* data, size_t size) {
    try {
        auto* sink = static_cast<PieceSink*>(opaque);
        if (sink->writer->Failed())
            return 0;  // stops the inflation: the file is lost anyway
        const char* bytes = static_cast<const char*>(data);
        sink->piece.insert(sink->piece.end(), bytes, bytes + size);
        if (sink->piece.size() >= kPieceBytes) {
            sink->writer->Write(std::move(sink->piece));
            sink->piece = EmptyPiece(*sink->writer);
        }
        return size;
    } catch (...) {
        return 0;  // miniz is C: nothing may unwind through it
    }
}

bool InflateEntry(mz_zip_archive* zip,
                  const mz_zip_archive_file_stat& stat,
                  BackgroundFileWriter& writer,
                  std::vector<char>& readBuffer) {
    if (stat.m_uncomp_size <= kWholeFileLimit) {
        std::vector<char> bytes = writer.TakeBuffer();
        bytes.resize(static_cast<size_t>(stat.m_uncomp_size));
        char empty = 0;
        const bool ok =
            mz_zip_reader_extract_to_mem_no_alloc(zip, stat.m_file_index, bytes.empty() ? &empty : bytes.data(),
                                                  bytes.size(), 0, readBuffer.data(), readBuffer.size()) != MZ_FALSE;
        if (ok && !bytes.empty())
            writer.Write(std::move(bytes));
        return ok;
    }
    PieceSink sink{&writer, EmptyPiece(writer)};
    const bool ok = mz_zip_reader_extract_to_callback(zip, stat.m_file_index, &GatherPiece, &sink, 0) != MZ_FALSE;
    if (ok && !sink.piece.empty())
        writer.Write(std::move(sink.piece));
    return ok;
}

// Queues one file entry for `path`, replacing any file there. A file whose data failed (corrupt,
// bad CRC, disk full) is removed again rather than left looking like a good one.
bool ExtractFileEntry(mz_zip_archive* zip,
                      const mz_zip_archive_file_stat& stat,
                      const std::wstring& path,
                      BackgroundFileWriter& writer,
                      std::vector<char>& readBuffer) {
    // Data cannot come from nothing; miniz would report such an entry unpacked without writing.
    if (stat.m_comp_size == 0 && stat.m_uncomp_size != 0)
        return false;
    writer.Open(path, stat.m_uncomp_size);
    const bool ok = InflateEntry(zip, stat, writer, readBuffer);
    writer.Close(EntryTimeTicks(stat.m_time), ok);
    return ok && !writer.Failed();
}

// Creates the entry's folder, or the folder a file goes into; the last one made is remembered,
// as most entries share their folder with the one before.
bool PrepareFolder(const std::wstring& folder, std::wstring& lastFolder) {
    if (folder == lastFolder)
        return true;
    if (!EnsureDirectory(folder))
        return false;
    lastFolder = folder;
    return true;
}

bool ExtractEntry(mz_zip_archive* zip,
                  const mz_zip_archive_file_stat& stat,
                  const std::wstring& fullPath,
                  BackgroundFileWriter& writer,
                  std::vector<char>& readBuffer,
                  std::wstring& lastFolder) {
    if (stat.m_is_directory)
        return PrepareFolder(fullPath, lastFolder);
    const size_t separator = fullPath.find_last_of(L"\\/");
    if (separator != std::wstring::npos)
        PrepareFolder(fullPath.substr(0, separator), lastFolder);  // a failure shows when the file is opened
    return ExtractFileEntry(zip, stat, fullPath, writer, readBuffer);
}

// The bytes the caller may still write on the volume holding `dir`, asked of the nearest folder
// that exists (the target itself is created only once the archive is accepted).
bool FreeBytesNear(std::wstring dir, std::uint64_t& freeBytes) {
    for (;;) {
        ULARGE_INTEGER available;
        if (GetDiskFreeSpaceExW(dir.c_str(), &available, nullptr, nullptr)) {
            freeBytes = available.QuadPart;
            return true;
        }
        const size_t separator = dir.find_last_of(L"\\/");
        if (separator == std::wstring::npos || separator < 2)
            return false;
        dir.resize(separator);
    }
}

std::wstring EntryName(const mz_zip_archive_file_stat& stat) {
    return ToBackslashes(Utf8ToUtf16(stat.m_filename));
}

// The whole archive is judged before anything is written: it is refused if it has no entries; for
// one entry with an unsafe name, a path Windows cannot open without long-path support (nor an
// uninstaller delete), or data the reader cannot unpack (encrypted, an unknown method); or if its
// total is more than the volume can take, so a package (or a zip bomb) cannot expand until the
// user's disk is full. The sizes are the ones the central directory
// declares; the reader refuses any entry whose data inflates to another size, and stops one that
// inflates to more within 32 KiB of its declared size.
// `paths` receives each entry's full path under the target, in entry order, for the extraction.
bool AcceptArchive(mz_zip_archive* zip, const std::wstring& targetDir, std::vector<std::wstring>& paths) {
    std::uint64_t declared = 0;
    const mz_uint count = mz_zip_reader_get_num_files(zip);
    if (count == 0)
        return false;
    for (mz_uint i = 0; i < count; ++i) {
        mz_zip_archive_file_stat stat;
        if (!mz_zip_reader_file_stat(zip, i, &stat) || !stat.m_is_supported)
            return false;
        const std::wstring name = EntryName(stat);
        paths.push_back(JoinPath(targetDir, name));
        if (!IsSafeEntryPath(name) || paths.back().size() >= MAX_PATH)
            return false;
        if (stat.m_uncomp_size > UINT64_MAX - declared)
            return false;  // zip64 sizes could wrap the sum; no volume holds that much anyway
        declared += stat.m_uncomp_size;
    }
    std::uint64_t freeBytes = 0;
    return FreeBytesNear(targetDir, freeBytes) && declared <= freeBytes;
}

}  // namespace

bool ExtractPackage(const std::wstring& zipFile, const std::wstring& targetDir, const ProgressCallback& progress) {
    base::UniqueCFile archiveFile{_wfopen(zipFile.c_str(), L"rb")};
    if (!archiveFile)
        return false;
    base::ZipReader reader;
    if (!reader.Open(archiveFile.Get()))
        return false;
    mz_zip_archive* zip = reader.Get();
    std::vector<std::wstring> paths;
    if (!AcceptArchive(zip, targetDir, paths) || !EnsureDirectory(targetDir))
        return false;

    // Inflating runs here while the writer thread writes what was inflated before.
    BackgroundFileWriter writer(kQueuedBytes, kBatchBytes);
    std::vector<char> readBuffer(kReadBufferBytes);
    std::wstring lastFolder;
    const mz_uint count = mz_zip_reader_get_num_files(zip);
    bool ok = true;
    for (mz_uint i = 0; ok && i < count; ++i) {
        mz_zip_archive_file_stat stat;
        if (!mz_zip_reader_file_stat(zip, i, &stat))
            return false;
        ok = ExtractEntry(zip, stat, paths[i], writer, readBuffer, lastFolder);
        if (progress)
            progress(ExtractProgressAfter(i, count));
    }
    ok = writer.Finish() && ok;
    if (ok && progress)
        progress(kExtractProgressDone);
    return ok;
}

}  // namespace Engine
