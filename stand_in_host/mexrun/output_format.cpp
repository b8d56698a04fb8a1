// output_format.cpp — header and rows of one output, by class code.
#include "output_format.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "number_format.hpp"
#include "utf8.hpp"

namespace mexrun {
namespace {

namespace abi = matlab::abi;

struct ClassInfo {
  std::int32_t type;
  const char* name;
  std::int32_t elementType;  // the real class of each part
  bool complex;
  std::size_t width;  // bytes per element, as the host stores them
};

constexpr ClassInfo kClasses[] = {
    {abi::kDouble, "double", abi::kDouble, false, 8},
    {abi::kComplexDouble, "complex double", abi::kDouble, true, 16},
    {abi::kSparseDouble, "sparse double", abi::kDouble, false, 8},
    {abi::kSparseComplexDouble, "sparse complex double", abi::kDouble, true, 16},
    {abi::kSingle, "single", abi::kSingle, false, 4},
    {abi::kComplexSingle, "complex single", abi::kSingle, true, 8},
    {abi::kLogical, "logical", abi::kLogical, false, 1},
    {abi::kSparseLogical, "sparse logical", abi::kLogical, false, 1},
    {abi::kChar, "char", abi::kChar, false, 2},
    {abi::kInt8, "int8", abi::kInt8, false, 1},
    {abi::kUInt8, "uint8", abi::kUInt8, false, 1},
    {abi::kInt16, "int16", abi::kInt16, false, 2},
    {abi::kUInt16, "uint16", abi::kUInt16, false, 2},
    {abi::kInt32, "int32", abi::kInt32, false, 4},
    {abi::kUInt32, "uint32", abi::kUInt32, false, 4},
    {abi::kInt64, "int64", abi::kInt64, false, 8},
    {abi::kUInt64, "uint64", abi::kUInt64, false, 8},
    {abi::kComplexInt8, "complex int8", abi::kInt8, true, 2},
    {abi::kComplexUInt8, "complex uint8", abi::kUInt8, true, 2},
    {abi::kComplexInt16, "complex int16", abi::kInt16, true, 4},
    {abi::kComplexUInt16, "complex uint16", abi::kUInt16, true, 4},
    {abi::kComplexInt32, "complex int32", abi::kInt32, true, 8},
    {abi::kComplexUInt32, "complex uint32", abi::kUInt32, true, 8},
    {abi::kComplexInt64, "complex int64", abi::kInt64, true, 16},
    {abi::kComplexUInt64, "complex uint64", abi::kUInt64, true, 16},
    {abi::kMatlabString, "string", abi::kUnknown, false, 0},
    {abi::kCell, "cell", abi::kUnknown, false, 0},
    {abi::kStruct, "struct", abi::kUnknown, false, 0},
    {abi::kObject, "object", abi::kUnknown, false, 0},
    {abi::kValueObject, "value object", abi::kUnknown, false, 0},
    {abi::kHandleObjectRef, "handle object", abi::kUnknown, false, 0},
    {abi::kEnum, "enumeration", abi::kUnknown, false, 0},
};

const ClassInfo* findClass(std::int32_t type) {
  for (const ClassInfo& c : kClasses) {
    if (c.type == type) return &c;
  }
  return nullptr;
}

template <typename T>
T load(const unsigned char* p) {
  T x;
  std::memcpy(&x, p, sizeof x);
  return x;
}

template <typename T>
std::string hexOf(T x) {
  static const char kDigits[] = "0123456789abcdef";
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof x);
  std::string out(2 * sizeof x, '0');
  for (std::size_t i = out.size(); i-- > 0;) {
    out[i] = kDigits[bits & 0xF];
    bits >>= 4;
  }
  return out;
}

// One real part of class `type` at `p`.
std::string part(std::int32_t type, const unsigned char* p, bool hex) {
  switch (type) {
    case abi::kDouble: return hex ? formatHex(load<double>(p)) : formatShortest(load<double>(p));
    case abi::kSingle: return hex ? formatHex(load<float>(p)) : formatShortest(load<float>(p));
    case abi::kLogical:
    case abi::kUInt8: return hex ? hexOf(load<std::uint8_t>(p)) : std::to_string(load<std::uint8_t>(p));
    case abi::kInt8: return hex ? hexOf(load<std::int8_t>(p)) : std::to_string(load<std::int8_t>(p));
    case abi::kInt16: return hex ? hexOf(load<std::int16_t>(p)) : std::to_string(load<std::int16_t>(p));
    case abi::kUInt16: return hex ? hexOf(load<std::uint16_t>(p)) : std::to_string(load<std::uint16_t>(p));
    case abi::kInt32: return hex ? hexOf(load<std::int32_t>(p)) : std::to_string(load<std::int32_t>(p));
    case abi::kUInt32: return hex ? hexOf(load<std::uint32_t>(p)) : std::to_string(load<std::uint32_t>(p));
    case abi::kInt64: return hex ? hexOf(load<std::int64_t>(p)) : std::to_string(load<std::int64_t>(p));
    case abi::kUInt64: return hex ? hexOf(load<std::uint64_t>(p)) : std::to_string(load<std::uint64_t>(p));
    default: return "?";
  }
}

// Imaginary part after the real one: "+2i", "-2i", "+NaNi".
std::string imaginaryPart(std::string text) {
  if (!text.empty() && text[0] == '-') return text + "i";
  return "+" + text + "i";
}

// The layout of the decimal rows: each row indented, columns apart by a
// gap, and no line longer than a terminal's 80 columns unless one column
// alone is wider.
constexpr std::size_t kIndent = 3;
constexpr std::size_t kGap = 3;
constexpr std::size_t kLineWidth = 80;

// One element split where it aligns with the others of its column: before
// the decimal point (or, without one, before the exponent or at the end of
// the real part), and from there on. "-0.057" is {"-0", ".057"}, "1e-05" is
// {"1", "e-05"}, "NaN" is {"NaN", ""}, "1.5+2i" is {"1", ".5+2i"}.
struct Cell {
  std::string lead;
  std::string tail;
};

Cell splitAtPoint(const std::string& real, const std::string& imaginary) {
  std::size_t point = real.find('.');
  if (point == std::string::npos) point = real.find('e');
  if (point == std::string::npos) point = real.size();
  return {real.substr(0, point), real.substr(point) + imaginary};
}

struct ColumnWidth {
  std::size_t lead = 0;
  std::size_t tail = 0;
  std::size_t total() const { return lead + tail; }
};

// "Columns 1 through 3", "Columns 5 and 6", "Column 6" (1-based, inclusive).
std::string columnsLine(std::uint64_t first, std::uint64_t last) {
  if (first == last) return "  Column " + std::to_string(first) + "\n";
  const char* joint = last == first + 1 ? " and " : " through ";
  return "  Columns " + std::to_string(first) + joint + std::to_string(last) + "\n";
}

// The rows of one page, every column aligned on its decimal points and the
// columns split into blocks that fit the line width. `cells` row by row.
void appendAligned(std::string& out, const std::vector<Cell>& cells, std::uint64_t rows, std::uint64_t cols) {
  std::vector<ColumnWidth> widths(cols);
  for (std::uint64_t c = 0; c < cols; ++c) {
    for (std::uint64_t r = 0; r < rows; ++r) {
      const Cell& cell = cells[r * cols + c];
      widths[c].lead = std::max(widths[c].lead, cell.lead.size());
      widths[c].tail = std::max(widths[c].tail, cell.tail.size());
    }
  }
  std::vector<std::pair<std::uint64_t, std::uint64_t>> blocks;  // [first, end)
  for (std::uint64_t first = 0; first < cols;) {
    std::uint64_t end = first + 1;
    std::size_t line = kIndent + widths[first].total();
    while (end < cols && line + kGap + widths[end].total() <= kLineWidth) {
      line += kGap + widths[end].total();
      ++end;
    }
    blocks.emplace_back(first, end);
    first = end;
  }
  for (const auto& [first, end] : blocks) {
    if (blocks.size() > 1) out += columnsLine(first + 1, end);
    for (std::uint64_t r = 0; r < rows; ++r) {
      std::string line(kIndent, ' ');
      for (std::uint64_t c = first; c < end; ++c) {
        const Cell& cell = cells[r * cols + c];
        if (c != first) line.append(kGap, ' ');
        line.append(widths[c].lead - cell.lead.size(), ' ');
        line += cell.lead;
        line += cell.tail;
        line.append(widths[c].tail - cell.tail.size(), ' ');
      }
      line.erase(line.find_last_not_of(' ') + 1);
      out += line;
      out += '\n';
    }
  }
}

}  // namespace

std::string formatOutput(const std::string& name, const standin::Value& value, bool hex) {
  const ClassInfo* info = findClass(value.type);
  std::string out = name + " = ";
  for (std::size_t d = 0; d < value.dims.size(); ++d) {
    if (d != 0) out += 'x';
    out += std::to_string(value.dims[d]);
  }
  out += ' ';
  out += info != nullptr ? info->name : "class " + std::to_string(value.type);
  out += '\n';

  const std::uint64_t n = value.numel();
  if (info == nullptr || info->elementType == abi::kUnknown || n == 0) return out;
  const std::size_t width = info->width;
  if (value.bytes.size() != n * width) return out;  // nothing consistent to show

  const std::uint64_t rows = value.dims[0];
  const std::uint64_t cols = value.dims[1];
  const std::uint64_t pages = n / (rows * cols);
  const std::size_t partWidth = info->complex ? width / 2 : width;
  for (std::uint64_t page = 0; page < pages; ++page) {
    if (value.dims.size() > 2) {
      out += "(:,:";
      std::uint64_t rest = page;
      for (std::size_t d = 2; d < value.dims.size(); ++d) {
        out += ',' + std::to_string(rest % value.dims[d] + 1);
        rest /= value.dims[d];
      }
      out += ")\n";
    }
    auto at = [&](std::uint64_t r, std::uint64_t c) {
      return value.bytes.data() + (page * rows * cols + c * rows + r) * width;
    };
    if (info->elementType == abi::kChar) {
      for (std::uint64_t r = 0; r < rows; ++r) {
        for (std::uint64_t c = 0; c < cols; ++c) appendUtf8(out, load<std::uint16_t>(at(r, c)));
        out += '\n';
      }
    } else if (hex) {
      // Bits for other programs to read: one space apart, never split.
      for (std::uint64_t r = 0; r < rows; ++r) {
        for (std::uint64_t c = 0; c < cols; ++c) {
          if (c != 0) out += ' ';
          out += part(info->elementType, at(r, c), true);
          if (info->complex) out += imaginaryPart(part(info->elementType, at(r, c) + partWidth, true));
        }
        out += '\n';
      }
    } else {
      std::vector<Cell> cells;
      for (std::uint64_t r = 0; r < rows; ++r) {
        for (std::uint64_t c = 0; c < cols; ++c) {
          const std::string imaginary =
              info->complex ? imaginaryPart(part(info->elementType, at(r, c) + partWidth, false)) : "";
          cells.push_back(splitAtPoint(part(info->elementType, at(r, c), false), imaginary));
        }
      }
      appendAligned(out, cells, rows, cols);
    }
  }
  return out;
}

}  // namespace mexrun
