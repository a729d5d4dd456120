#pragma once
// A file (or a block of anonymous memory) mapped into the address space.
//
// Sample data files are never read into memory: they are mapped once and read one word where a
// graph needs it. The download programs create data files through the same class and fill them
// through the mapping. One object maps at most one file at a time; any mapping call first
// releases what the object holds, and a failed mapping call leaves it unmapped.
//
// Reading maps open the file read-only and map it read-only, so data files on read-only media
// or without write permission open like any other. Writing maps (MapFile, MapFileNew,
// MapFileTemp) are readable and writable; Put* calls on a read-only map do nothing and return
// false.
//
// Reading maps get no random-access hint: the dataset reads each channel front to back when it
// opens a test and again when it redraws, and MADV_RANDOM turns the kernel's read-ahead off, so
// a first pass over a 48 MiB file not yet in the page cache takes more than ten times as long as
// with the kernel's default read-around (one 4 KiB read per page instead of large reads).
// MADV_SEQUENTIAL and MADV_WILLNEED gain nothing measurable over the default for such passes.
// Callers that read scattered single words of a file larger than memory may still ask for
// AccessHint::Random through adviseAccess().
//
// Offsets are byte offsets from the start of the mapping; n is a 1-based record number. An
// offset or record beyond the mapped size is a caller error: debug builds stop on an assert;
// otherwise reads give 0 and writes do nothing (and report false), so nothing outside the
// mapping is ever touched. With nothing mapped every read gives 0 and every write does nothing,
// without an assert. A file shortened by another process while mapped cannot be guarded
// against: reading its lost pages raises SIGBUS.
//
// Empty files and zero sizes: an existing empty file does not map (false), MapFileNew and
// MapFileTemp with a size below 1 fail without touching any file.
//
// Sizes are 64-bit throughout, so files above 2 GiB map and address correctly.

#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace common {

class CMapFile {
public:
    // How the data of a reading map will be read; passed on to the kernel as madvise hints.
    enum class AccessHint {
        Normal,      // read-around each touched page (the kernel's default; reading maps keep it)
        Sequential,  // long forward passes: large read-ahead
        Random,      // scattered single words: no read-ahead
        WillNeed,    // start reading the whole mapping into memory now
    };

    CMapFile() noexcept = default;
    ~CMapFile();
    CMapFile(const CMapFile&) = delete;
    CMapFile& operator=(const CMapFile&) = delete;
    CMapFile(CMapFile&& other) noexcept;
    CMapFile& operator=(CMapFile&& other) noexcept;

    // Maps an existing file for reading. Stores the channel count (words or reals per record),
    // sets the two-channel flag when the count is 2 and the record size (count x 2 bytes for
    // 16-bit files, count x 8 for files of reals). A count below 1 fails without a change.
    bool bMapFileRead(const std::string& path, std::int32_t channelCount = 1, bool b16Bit = true);
    // Maps an existing file for reading; the record settings stay as they are (a new object
    // reads one 16-bit word per record).
    bool b1MapFileRead(const std::string& path);
    // Maps an existing file for reading and writing.
    bool MapFile(const std::string& path);
    // Creates the file (replacing an existing one), reserves size bytes of disk for it and
    // maps it for reading and writing. When the space cannot be reserved (full disk, file-size
    // limit) the call fails, the file is removed and lastError() says why; writing through the
    // map can never hit a missing block.
    bool MapFileNew(const std::string& path, std::int64_t size);
    // Maps size bytes of zeroed anonymous memory, readable and writable, named "[Paged]".
    bool MapFileTemp(std::int64_t size);
    // Releases the mapping and clears name, base address, size and handle. False (and no
    // change) when nothing is mapped.
    bool UnMapFile();
    // Writes changed pages of a file mapping to the file and waits for it. False when nothing
    // is mapped or the write fails.
    bool Commit();

    // Selects the channel read by wGetNthIntAfterSetup: offset 2 for channel 2 of a
    // two-channel file, 0 in every other case.
    void SetupGetInteger(std::int32_t channel) noexcept;
    // The signed 16-bit word at (n - 1) x record size + channel offset.
    std::int16_t wGetNthIntAfterSetup(std::int64_t n) const noexcept {
        const std::uint64_t index = static_cast<std::uint64_t>(n) - 1u;
        if (index >= m_channelPoints) [[unlikely]] {
            assert(m_base == nullptr && "record beyond the mapping");
            return 0;
        }
        return loadWord(index * m_recordSize + m_channelOffset);
    }
    // The 64-bit real at (n - 1) x record size, plus 8 for channel 1 of a two-channel file.
    double dGetNthDouble(std::int64_t n, std::int32_t channel) const noexcept;
    // The n-th 16-bit word of the mapping, at (n - 1) x 2.
    std::int16_t wGetNthInt(std::int64_t n) const noexcept;

    double GetDbl(std::int64_t offset) const noexcept;
    std::int32_t GetLng(std::int64_t offset) const noexcept;
    std::int16_t GetInt(std::int64_t offset) const noexcept;
    // values[0] and values[1] from the four bytes at the offset (both 0 outside the mapping).
    void Get2Ints(std::int64_t offset, std::array<std::int16_t, 2>& values) const noexcept;
    bool GetRng(void* destination, std::int64_t offset, std::int64_t length) const noexcept;

    bool PutDbl(double value, std::int64_t offset) noexcept;
    bool PutLng(std::int32_t value, std::int64_t offset) noexcept;
    bool PutInt(std::int16_t value, std::int64_t offset) noexcept;
    bool PutByte(std::uint8_t value, std::int64_t offset) noexcept;
    bool PutRng(const void* source, std::int64_t offset, std::int64_t length) noexcept;

    // Start of the mapping; nullptr when nothing is mapped.
    const void* BaseAddress() const noexcept { return m_base; }
    // Descriptor of the mapped file, held open while it is mapped; -1 when nothing is mapped
    // and for a "[Paged]" mapping, which has no file.
    int hFile() const noexcept { return m_fd; }
    // Path of the mapped file, "[Paged]" for anonymous memory, "" when nothing is mapped.
    const std::string& MappedFile() const noexcept { return m_name; }
    // Length of the mapped file in bytes, or the size of a paged mapping; 0 when unmapped.
    std::int64_t lMappedSize() const noexcept { return static_cast<std::int64_t>(m_size); }

    bool isMapped() const noexcept { return m_base != nullptr; }
    bool isWritable() const noexcept { return m_writable; }
    bool bTwoChannels() const noexcept { return m_twoChannels; }
    std::int32_t channelCount() const noexcept { return m_channelCount; }
    std::int64_t recordSize() const noexcept { return static_cast<std::int64_t>(m_recordSize); }

    // The whole mapping as 16-bit sample words (an odd trailing byte is left out); empty when
    // nothing is mapped. Words of channel c (1-based) are words()[(i - 1) x channelCount() +
    // c - 1] for points i = 1 .. pointsPerChannel().
    std::span<const std::uint16_t> words() const noexcept;
    // W = mapped size div 2.
    std::int64_t wordCount() const noexcept { return static_cast<std::int64_t>(m_size / 2); }
    // N = W div channel count.
    std::int64_t pointsPerChannel() const noexcept {
        return wordCount() / m_channelCount;
    }
    // Writable bytes of a writing map (empty for a reading map or when nothing is mapped).
    std::span<std::byte> writableBytes() noexcept;

    // Passes an access hint for the current mapping to the kernel. False when nothing is
    // mapped or the kernel refuses it.
    bool adviseAccess(AccessHint hint) noexcept;

    // Why the last mapping call failed ("" after a success).
    const std::string& lastError() const noexcept { return m_lastError; }

private:
    static_assert(std::endian::native == std::endian::little,
                  "sample words are little-endian and read in place");

    bool mapExisting(const std::string& path, bool writable);
    bool fail(std::string message);
    void updateChannelPoints() noexcept;
    bool inRange(std::int64_t offset, std::uint64_t length) const noexcept;
    void release() noexcept;

    std::int16_t loadWord(std::uint64_t offset) const noexcept {
        std::int16_t value;
        std::memcpy(&value, m_base + offset, sizeof value);
        return value;
    }

    std::byte* m_base = nullptr;
    std::uint64_t m_size = 0;
    int m_fd = -1;
    bool m_writable = false;
    std::string m_name;
    std::string m_lastError;

    bool m_twoChannels = false;
    std::int32_t m_channelCount = 1;
    std::uint64_t m_recordSize = 2;
    std::uint64_t m_channelOffset = 0;
    // Records whose selected-channel word lies wholly inside the mapping; 0 when unmapped.
    std::uint64_t m_channelPoints = 0;
};

}  // namespace common
