#include "analysis/measure/XlsxWorkbook.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "analysis/measure/PendingFile.h"
#include "common/Error.h"

namespace measure {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kWorksheetRows = 1048576;
constexpr std::int64_t kCellTextMax = 32767;  // characters in one cell
constexpr std::int64_t kFirstDataRow = 4;      // 0-based: spreadsheet row 5

[[noreturn]] void fail(const std::string& reason) { throw common::IoError(reason); }

void check(lxw_error error, const char* what) {
    if (error != LXW_NO_ERROR) fail(std::string(what) + ": " + lxw_strerror(error));
}

// Text as a cell takes it: valid UTF-8 (a byte that is not part of a UTF-8 sequence is read
// as Latin-1, the code page the recorders' texts come from), no control characters that XML
// refuses, at most 32767 characters.
std::string cellText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::int64_t characters = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end && characters < kCellTextMax) {
        const unsigned char c = *p;
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool valid = length != 0 && static_cast<std::size_t>(end - p) >= length;
        for (std::size_t k = 1; valid && k < length; ++k) valid = (p[k] & 0xC0) == 0x80;
        if (valid && length == 2) valid = c >= 0xC2;  // no overlong forms
        if (valid && length == 1) {
            out += (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F ? ' '
                                                                                 : static_cast<char>(c);
        } else if (valid) {
            out.append(reinterpret_cast<const char*>(p), length);
        } else {
            length = 1;
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        p += length;
        ++characters;
    }
    return out;
}

// The most bytes the sheet's XML can take: every number at its longest, every text escaped at
// its longest, and the cell references at their longest.
std::int64_t sheetXmlBound(const BlockLayout& layout) {
    const std::int64_t blocks = layout.blocks();
    std::int64_t texts = 0;
    for (const std::string& t : layout.titles) texts += 96 + 6 * static_cast<std::int64_t>(t.size());
    texts += 96 + 6 * static_cast<std::int64_t>(layout.caption.size());
    texts *= blocks;
    texts += 96 + 6 * static_cast<std::int64_t>(layout.info.size());
    const std::int64_t rows = std::min<std::int64_t>(layout.rows, layout.rowsPerBlock) + 4;
    const std::int64_t cells = layout.rows * layout.columnsPerBlock;
    return 64 * 1024 + texts + rows * 64 + cells * 56;
}

// A finished zip file ends with its end-of-directory record (no archive comment).
bool endsWithZipDirectory(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    char record[4] = {};
    const bool read = size >= 22 && ::pread(fd, record, 4, size - 22) == 4;
    ::close(fd);
    return read && std::memcmp(record, "PK\x05\x06", 4) == 0;
}

struct WorkbookFree {
    void operator()(lxw_workbook* workbook) const {
        lxw_workbook_free(workbook);  // not written: the export failed
    }
};

}  // namespace

std::int64_t BlockLayout::blocks() const {
    if (rowsPerBlock < 1 || rows < 1) return 1;
    return (rows + rowsPerBlock - 1) / rowsPerBlock;
}

std::int32_t BlockLayout::firstColumn(std::int64_t block) const {
    return static_cast<std::int32_t>(columnsPerBlock * block);
}

void writeBlockWorkbook(const std::string& path, const std::string& tmpFolder,
                        const BlockLayout& layout, const CellSource& cells) {
    const std::int32_t width = layout.columnsPerBlock;
    if (width < 1 || layout.rowsPerBlock < 1 || layout.rowsPerBlock > kWorksheetRows - kFirstDataRow ||
        layout.titles.size() > static_cast<std::size_t>(width))
        fail("The worksheet layout is not valid");
    const std::int64_t blocks = layout.blocks();
    const std::int64_t lastColumn = width * blocks + width - 1;
    if (lastColumn > kWorksheetColumns)
        fail("The data need " + std::to_string(lastColumn) + " columns; a worksheet has " +
             std::to_string(kWorksheetColumns));

    std::string folder = tmpFolder;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.empty() ? nullptr : folder.data();
    options.use_zip64 = sheetXmlBound(layout) > (std::int64_t{3} << 30) ? LXW_TRUE : LXW_FALSE;
    std::unique_ptr<lxw_workbook, WorkbookFree> workbook(workbook_new_opt(path.c_str(), &options));
    if (!workbook) fail("Cannot make the workbook " + path);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), nullptr);
    if (!sheet) fail("Cannot add a worksheet to " + path);

    const auto text = [&](std::int64_t row, std::int64_t column, const std::string& value) {
        if (value.empty()) return;
        check(worksheet_write_string(sheet, static_cast<lxw_row_t>(row),
                                     static_cast<lxw_col_t>(column), cellText(value).c_str(),
                                     nullptr),
              "Cannot write a title");
    };
    text(1, 0, layout.info);
    for (std::int64_t b = 1; b <= blocks; ++b) text(2, layout.firstColumn(b) - 1, layout.caption);
    for (std::int64_t b = 1; b <= blocks; ++b)
        for (std::size_t c = 0; c < layout.titles.size(); ++c)
            text(3, layout.firstColumn(b) - 1 + static_cast<std::int64_t>(c), layout.titles[c]);

    const std::int64_t rowsUsed = std::min<std::int64_t>(layout.rows, layout.rowsPerBlock);
    for (std::int64_t r = 0; r < rowsUsed; ++r) {
        const auto row = static_cast<lxw_row_t>(kFirstDataRow + r);
        for (std::int64_t b = 0; b < blocks; ++b) {
            const std::int64_t k = b * layout.rowsPerBlock + r;
            if (k >= layout.rows) break;
            const std::int32_t first = layout.firstColumn(b + 1) - 1;
            for (std::int32_t c = 0; c < width; ++c) {
                const double value = cells(k, c);
                if (!std::isfinite(value)) continue;
                check(worksheet_write_number(sheet, row, static_cast<lxw_col_t>(first + c), value,
                                             nullptr),
                      "Cannot write a value");
            }
        }
    }
    check(workbook_close(workbook.release()), "Cannot write the workbook");
    if (!endsWithZipDirectory(path)) fail("The workbook " + path + " was not written completely");
}

namespace {

std::string folderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

void writePending(PendingFile& file, const std::string& folder, const BlockLayout& layout,
                  const CellSource& cells) {
    // libxlsxwriter keeps the sheet's rows and then the whole sheet in temporary files, both
    // until the zip is written, and ignores a failed write of them. A zip that cannot be
    // written completely lacks its closing directory, which writeBlockWorkbook checks.
    file.checkSpace(2 * sheetXmlBound(layout) + (1 << 20));
    file.close();
    writeBlockWorkbook(file.path(), folder, layout, cells);
}

}  // namespace

void saveBlockWorkbook(const std::string& target, const BlockLayout& layout,
                       const CellSource& cells) {
    PendingFile file(target, ".xlsx");
    writePending(file, folderOf(target), layout, cells);
    file.commitReplacing();
}

std::string saveNewBlockWorkbook(const std::string& folder, const std::string& baseName,
                                 const BlockLayout& layout, const CellSource& cells) {
    const fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    const auto nameOf = [&](int n) { return (dir / (baseName + "_" + std::to_string(n) + ".xlsx")).string(); };
    PendingFile file(nameOf(1), ".xlsx");
    writePending(file, dir.string(), layout, cells);
    for (int n = 1; n < 1000000; ++n)
        if (file.commitAsNew(nameOf(n))) return nameOf(n);
    fail("Every name " + baseName + "_<n>.xlsx in " + dir.string() + " is taken");
}

}  // namespace measure
