#pragma once
// A one-sheet .xlsx workbook of data blocks side by side, written with libxlsxwriter.
//
// The data rows (row 0, 1, ... of the export) fill blocks of at most rowsPerBlock rows; block b
// (from 1) takes the columns W*b to W*b + W - 1 (W = columns per block; spreadsheet numbers
// from 1, column 1 = A) and the rows 5 to 4 + rowsPerBlock. Above every block: its column
// titles in row 4 and the caption in row 3 over its first column; the info text, when given,
// in A2. Data cells are numbers; a value that is not a finite number leaves its cell empty.
//
// The sheet is written row by row (libxlsxwriter's constant-memory mode), row r of every block
// before row r + 1, so a workbook of millions of rows needs little memory. libxlsxwriter does
// not report a failed write of its own temporary files, so before writing, the target's file
// system is asked for room for the largest workbook of that size, and the finished file must
// end with the zip directory.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace measure {

inline constexpr std::int32_t kWorksheetColumns = 16384;

struct BlockLayout {
    std::int32_t columnsPerBlock = 2;
    std::int32_t rowsPerBlock = 65000;
    std::int64_t rows = 0;            // data rows over all blocks
    std::vector<std::string> titles;  // row 4 of every block, one per column
    std::string caption;              // row 3 of every block, over its first column
    std::string info;                 // A2

    std::int64_t blocks() const;
    // 1-based spreadsheet column of the first column of block b (from 1).
    std::int32_t firstColumn(std::int64_t block) const;
};

// Value of data row (from 0) and column (from 0, < columnsPerBlock).
using CellSource = std::function<double(std::int64_t row, std::int32_t column)>;

// Writes the workbook to path (created or replaced by libxlsxwriter; temporary files go to
// tmpFolder). Throws common::IoError with the reason.
void writeBlockWorkbook(const std::string& path, const std::string& tmpFolder,
                        const BlockLayout& layout, const CellSource& cells);

// The workbook written under a temporary name beside target and renamed onto it.
void saveBlockWorkbook(const std::string& target, const BlockLayout& layout,
                       const CellSource& cells);
// The workbook saved in folder as baseName + "_" + n + ".xlsx" with the smallest n >= 1 that
// names no file yet (an existing file is never replaced). Returns its path.
std::string saveNewBlockWorkbook(const std::string& folder, const std::string& baseName,
                                 const BlockLayout& layout, const CellSource& cells);

}  // namespace measure
