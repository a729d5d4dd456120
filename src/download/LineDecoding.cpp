#include "download/LineDecoding.h"

namespace download {

namespace link = vantrel::link;

int LineByte(LineSource& lines, int n, int k) { return link::byteAt(lines.line(n), k); }

int LineWordLE(LineSource& lines, int n, int j) {
    const LineBytes bytes = lines.line(n);
    return link::byteAt(bytes, 2 * j + 1) * 256 + link::byteAt(bytes, 2 * j);
}

int LineWordBE(LineSource& lines, int n, int j) {
    const LineBytes bytes = lines.line(n);
    return link::byteAt(bytes, 2 * j) * 256 + link::byteAt(bytes, 2 * j + 1);
}

std::int64_t BcdUnsigned(LineSource& lines, int n, int hi, int lo) {
    return link::bcdUnsignedOf(lines.line(n), hi, lo);
}

std::int64_t BcdSigned(LineSource& lines, int n, int hi, int lo) {
    return link::bcdSignedOf(lines.line(n), hi, lo);
}

}  // namespace download
