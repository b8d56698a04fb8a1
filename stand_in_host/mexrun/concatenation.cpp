// concatenation.cpp — every rearrangement is a list of sources, one per
// element of the result, handed to `assemble`.
#include "concatenation.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "parse_error.hpp"
#include "utf8.hpp"
#include "value_conversion.hpp"

namespace mexrun {
namespace {

// Where each element of a rearranged array comes from.
struct Source {
  std::size_t item;
  std::uint64_t index;
};

// Builds a value of the given shape whose element k is element
// `sources[k].index` of `items[sources[k].item]`. All items already share
// `cls` (and, for structs, the field order of `fields`).
Value assemble(const std::vector<Value>& items, const std::vector<Source>& sources,
               std::vector<std::uint64_t> dims, ValueClass cls,
               const std::vector<std::string>& fields) {
  Value out;
  out.cls = cls;
  out.dims = std::move(dims);
  out.fields = fields;
  for (const Value& item : items) {
    out.complex = out.complex || item.complex;
    out.sparse = out.sparse || item.sparse;
  }
  const std::size_t nf = fields.size();
  for (const Source& s : sources) {
    const Value& item = items[s.item];
    if (isNumericLike(cls)) {
      out.real.push_back(item.real[s.index]);
      if (out.complex) out.imag.push_back(item.complex ? item.imag[s.index] : 0.0);
    } else if (cls == ValueClass::kString) {
      out.strings.push_back(item.strings[s.index]);
    } else if (cls == ValueClass::kCell) {
      out.elements.push_back(item.elements[s.index]);
    } else {
      for (std::size_t f = 0; f < nf; ++f) out.elements.push_back(item.elements[s.index * nf + f]);
    }
  }
  return out;
}

// Brings every item to one class; returns that class. Struct items are
// reordered to the first one's field order.
ValueClass unifyForConcat(std::vector<Value>& items, const std::vector<std::size_t>& positions) {
  auto any = [&](ValueClass cls) {
    return std::any_of(items.begin(), items.end(), [cls](const Value& v) { return v.cls == cls; });
  };
  if (any(ValueClass::kCell)) {
    for (Value& v : items) {
      if (v.cls != ValueClass::kCell) v = wrapInCell(std::move(v));
    }
    return ValueClass::kCell;
  }
  if (any(ValueClass::kStruct)) {
    const std::vector<std::string>& first = std::find_if(items.begin(), items.end(), [](const Value& v) {
                                              return v.cls == ValueClass::kStruct;
                                            })->fields;
    const std::vector<std::string> order = first;
    for (std::size_t i = 0; i < items.size(); ++i) {
      Value& v = items[i];
      if (v.cls != ValueClass::kStruct) {
        fail(positions[i], std::string("cannot concatenate a struct with a ") + className(v.cls) + " value");
      }
      std::vector<std::string> a = v.fields;
      std::vector<std::string> b = order;
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      if (a != b) fail(positions[i], "structs being concatenated have different fields");
      if (v.fields == order) continue;
      std::vector<Value> reordered;
      const std::size_t nf = order.size();
      for (std::uint64_t e = 0; e < v.numel(); ++e) {
        for (const std::string& name : order) {
          std::size_t f = static_cast<std::size_t>(
              std::find(v.fields.begin(), v.fields.end(), name) - v.fields.begin());
          reordered.push_back(v.elements[e * nf + f]);
        }
      }
      v.elements = std::move(reordered);
      v.fields = order;
    }
    return ValueClass::kStruct;
  }
  if (any(ValueClass::kString)) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      Value& v = items[i];
      if (v.cls == ValueClass::kString) continue;
      if (v.cls != ValueClass::kChar || v.dims.size() != 2 || v.dims[0] > 1) {
        fail(positions[i], std::string("cannot concatenate a string with a ") + className(v.cls) + " value");
      }
      std::string text;
      // Char elements came from text; re-encode the UTF-16 units as UTF-8.
      for (double unit : v.real) appendUtf8(text, static_cast<std::uint32_t>(unit));
      Value s;
      s.cls = ValueClass::kString;
      s.dims = {1, 1};
      s.strings.push_back(std::move(text));
      v = std::move(s);
    }
    return ValueClass::kString;
  }
  ValueClass cls = numericConcatClass(items);
  for (std::size_t i = 0; i < items.size(); ++i) items[i] = convert(items[i], cls, positions[i]);
  return cls;
}

}  // namespace

Value transpose(const Value& v, bool conjugate, std::size_t pos) {
  if (v.dims.size() != 2) fail(pos, "transpose needs a 2-D array");
  const std::uint64_t rows = v.dims[0];
  const std::uint64_t cols = v.dims[1];
  std::vector<Source> sources;
  sources.reserve(rows * cols);
  for (std::uint64_t r = 0; r < rows; ++r) {
    for (std::uint64_t c = 0; c < cols; ++c) sources.push_back({0, r + c * rows});
  }
  Value out = assemble({v}, sources, {cols, rows}, v.cls, v.fields);
  if (conjugate) {
    for (double& x : out.imag) x = -x;
  }
  return out;
}

Value wrapInCell(Value v) {
  Value cell;
  cell.cls = ValueClass::kCell;
  cell.dims = {1, 1};
  cell.elements.push_back(std::move(v));
  return cell;
}

ValueClass numericConcatClass(const std::vector<Value>& items) {
  for (const Value& v : items) {
    if (isInteger(v.cls)) return v.cls;
  }
  bool anyChar = false;
  bool anySingle = false;
  bool allLogical = true;
  for (const Value& v : items) {
    anyChar = anyChar || v.cls == ValueClass::kChar;
    anySingle = anySingle || v.cls == ValueClass::kSingle;
    allLogical = allLogical && v.cls == ValueClass::kLogical;
  }
  if (anyChar) return ValueClass::kChar;
  if (anySingle) return ValueClass::kSingle;
  if (allLogical) return ValueClass::kLogical;
  return ValueClass::kDouble;
}

Value concatenate(std::vector<Value> items, const std::vector<std::size_t>& positions, bool horizontal) {
  if (items.size() == 1) return std::move(items.front());
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].dims.size() != 2) fail(positions[i], "only 2-D arrays can be concatenated");
  }
  const ValueClass cls = unifyForConcat(items, positions);
  std::vector<std::string> fields;
  if (cls == ValueClass::kStruct) fields = items.front().fields;

  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!isEmpty0x0(items[i])) kept.push_back(i);
  }
  if (kept.empty()) {
    Value out = assemble(items, {}, {0, 0}, cls, fields);
    return out;
  }
  const std::size_t along = horizontal ? 1 : 0;
  const std::size_t across = horizontal ? 0 : 1;
  const std::uint64_t extent = items[kept.front()].dims[across];
  std::uint64_t total = 0;
  for (std::size_t i : kept) {
    if (items[i].dims[across] != extent) {
      fail(positions[i], "dimensions of arrays being concatenated are not consistent");
    }
    total += items[i].dims[along];
  }
  if (extent != 0 && total > kMaxElements / extent) fail(positions.front(), "too many elements for a call");
  std::vector<Source> sources;
  std::vector<std::uint64_t> dims(2);
  dims[across] = extent;
  dims[along] = total;
  if (horizontal) {
    for (std::size_t i : kept) {
      for (std::uint64_t k = 0; k < items[i].numel(); ++k) sources.push_back({i, k});
    }
  } else {
    for (std::uint64_t c = 0; c < extent; ++c) {
      for (std::size_t i : kept) {
        const std::uint64_t rows = items[i].dims[0];
        for (std::uint64_t r = 0; r < rows; ++r) sources.push_back({i, r + c * rows});
      }
    }
  }
  return assemble(items, sources, dims, cls, fields);
}

}  // namespace mexrun
