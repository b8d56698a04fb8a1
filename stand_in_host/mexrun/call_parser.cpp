// call_parser.cpp — a small recursive-descent reader for MATLAB call syntax
// that evaluates what it reads into `Value`s as it goes.
//
// Precedence, lowest first: binary + -; * / .* ./; unary + -; ^ .^; postfix
// ' .'; primaries. Inside [ ] and { } a blank ends an element unless it is
// followed by a binary operator, with MATLAB's rule for signs: "1 -2" is two
// elements, "1 - 2" and "1-2" are one; a quote after a blank starts a text.
#include "call_parser.hpp"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>

#include "arithmetic.hpp"
#include "builtins.hpp"
#include "concatenation.hpp"
#include "utf8.hpp"
#include "value_conversion.hpp"

namespace mexrun {
namespace {

// Keeps a pathological CALL ("((((...", "----...1") from exhausting the stack.
constexpr int kMaxNesting = 200;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c) || c == '_'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Appends the UTF-16 code units of the UTF-8 text to `units`; `offset` is
// where the text starts in the CALL.
void appendUtf16(std::string_view text, std::size_t offset, std::vector<double>& units) {
  for (std::size_t k = 0; k < text.size();) {
    const Utf8Char c = decodeUtf8(text, k);
    if (c.length == 0) fail(offset + k, "text is not valid UTF-8");
    std::uint32_t cp = c.codePoint;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      units.push_back(static_cast<double>(0xD800 + (cp >> 10)));
      units.push_back(static_cast<double>(0xDC00 + (cp & 0x3FF)));
    } else {
      units.push_back(static_cast<double>(cp));
    }
    k += c.length;
  }
}

// The character at `pos` as an error quotes it: 'é' whole, a control
// character by its code point, a byte that starts no character by its value.
std::string quoteCharacter(std::string_view text, std::size_t pos) {
  static const char kDigits[] = "0123456789ABCDEF";
  const Utf8Char c = decodeUtf8(text, pos);
  if (c.length == 0) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    return std::string("the byte 0x") + kDigits[byte >> 4] + kDigits[byte & 0xF] + ", which is not UTF-8";
  }
  if (c.codePoint < 0x20 || c.codePoint == 0x7F) {
    return std::string("the control character U+00") + kDigits[c.codePoint >> 4] + kDigits[c.codePoint & 0xF];
  }
  return "'" + std::string(text.substr(pos, c.length)) + "'";
}

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  Call call() {
    Call result;
    skipBlanks();
    if (!isIdentStart(peek())) fail(pos_, "expected a function call such as armpose(...)");
    result.function = identifier();
    skipBlanks();
    if (peek() == '(') {
      for (Arg& a : arguments()) result.arguments.push_back(std::move(a.value));
    }
    skipBlanks();
    if (pos_ != s_.size()) fail(pos_, "unexpected text after the call");
    return result;
  }

 private:
  char peek(std::size_t ahead = 0) const {
    return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0';
  }
  bool atEnd() const { return pos_ >= s_.size(); }
  bool inMatrix() const { return !context_.empty() && context_.back() != '('; }

  // Skips blanks (and, outside [ ] and { }, line breaks); true if any.
  bool skipBlanks() {
    const std::size_t start = pos_;
    while (!atEnd() && (isBlank(peek()) || (!inMatrix() && (peek() == '\n' || peek() == '\r')))) ++pos_;
    return pos_ != start;
  }

  std::string identifier() {
    const std::size_t start = pos_;
    while (isIdentChar(peek())) ++pos_;
    return std::string(s_.substr(start, pos_ - start));
  }

  // '(' [expr {',' expr}] ')', the opening parenthesis at pos_.
  std::vector<Arg> arguments() {
    ++pos_;
    context_.push_back('(');
    std::vector<Arg> args;
    skipBlanks();
    if (peek() == ')') {
      ++pos_;
      context_.pop_back();
      return args;
    }
    for (;;) {
      skipBlanks();
      const std::size_t start = pos_;
      Value v = expression();
      args.push_back({std::move(v), start});
      skipBlanks();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() == ')') {
        ++pos_;
        break;
      }
      fail(pos_, atEnd() ? "expected ')'" : "expected ',' or ')'");
    }
    context_.pop_back();
    return args;
  }

  // Counts the nesting of expressions and signs while it lives.
  class Nested {
   public:
    explicit Nested(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxNesting) fail(p_.pos_, "the call is nested too deeply");
    }
    ~Nested() { --p_.depth_; }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;

   private:
    Parser& p_;
  };

  Value expression() {
    Nested nested(*this);
    Value lhs = product();
    for (;;) {
      const std::size_t save = pos_;
      const bool blank = skipBlanks();
      const char c = peek();
      if (c != '+' && c != '-') {
        pos_ = save;
        return lhs;
      }
      // "[1 -2]" is two elements: a sign after a blank and before a non-blank.
      if (inMatrix() && blank && !isBlank(peek(1))) {
        pos_ = save;
        return lhs;
      }
      const std::size_t opPos = pos_++;
      Value rhs = product();
      lhs = binary(lhs, rhs, c == '+' ? Op::kAdd : Op::kSub, opPos);
    }
  }

  Value product() {
    Value lhs = unary();
    for (;;) {
      const std::size_t save = pos_;
      skipBlanks();
      const std::size_t opPos = pos_;
      Op op;
      if (peek() == '*') {
        op = Op::kMul;
        pos_ += 1;
      } else if (peek() == '/') {
        op = Op::kDiv;
        pos_ += 1;
      } else if (peek() == '.' && peek(1) == '*') {
        op = Op::kElemMul;
        pos_ += 2;
      } else if (peek() == '.' && peek(1) == '/') {
        op = Op::kElemDiv;
        pos_ += 2;
      } else {
        pos_ = save;
        return lhs;
      }
      Value rhs = unary();
      lhs = binary(lhs, rhs, op, opPos);
    }
  }

  Value unary() {
    skipBlanks();
    const char c = peek();
    if (c == '-' || c == '+') {
      Nested nested(*this);
      const std::size_t opPos = pos_++;
      Value v = unary();
      return c == '-' ? negate(v, opPos) : unaryPlus(v, opPos);
    }
    return power();
  }

  Value power() {
    Value base = postfix();
    for (;;) {
      const std::size_t save = pos_;
      skipBlanks();
      const std::size_t opPos = pos_;
      Op op;
      if (peek() == '^') {
        op = Op::kPow;
        pos_ += 1;
      } else if (peek() == '.' && peek(1) == '^') {
        op = Op::kElemPow;
        pos_ += 2;
      } else {
        pos_ = save;
        return base;
      }
      Value exponent = powerOperand();
      base = binary(base, exponent, op, opPos);
    }
  }

  // The right operand of ^ may carry signs of its own: 2^-1.
  Value powerOperand() {
    skipBlanks();
    const char c = peek();
    if (c == '-' || c == '+') {
      Nested nested(*this);
      const std::size_t opPos = pos_++;
      Value v = powerOperand();
      return c == '-' ? negate(v, opPos) : unaryPlus(v, opPos);
    }
    return postfix();
  }

  Value postfix() {
    Value v = primary();
    for (;;) {
      const std::size_t save = pos_;
      const bool blank = skipBlanks();
      const std::size_t opPos = pos_;
      // Inside [ ] a quote after a blank starts a text: [a 'b'].
      if (peek() == '\'' && !(blank && inMatrix())) {
        ++pos_;
        v = transpose(v, true, opPos);
      } else if (peek() == '.' && peek(1) == '\'' && !(blank && inMatrix())) {
        pos_ += 2;
        v = transpose(v, false, opPos);
      } else {
        pos_ = save;
        return v;
      }
    }
  }

  Value primary() {
    skipBlanks();
    const std::size_t start = pos_;
    const char c = peek();
    if (isDigit(c) || (c == '.' && isDigit(peek(1)))) return number();
    if (c == '\'') return charText();
    if (c == '"') return stringText();
    if (c == '[' || c == '{') return matrix(c);
    if (c == '(') {
      ++pos_;
      context_.push_back('(');
      Value v = expression();
      skipBlanks();
      if (peek() != ')') fail(pos_, "expected ')'");
      ++pos_;
      context_.pop_back();
      return v;
    }
    if (isIdentStart(c)) {
      std::string name = identifier();
      std::vector<Arg> args;
      const std::size_t save = pos_;
      const bool blank = skipBlanks();
      if (peek() == '(' && !(blank && inMatrix())) {
        args = arguments();
      } else {
        pos_ = save;
      }
      return callFunction(name, start, args);
    }
    if (atEnd()) fail(pos_, "expected an expression before the end of the call");
    fail(pos_, "expected an expression, found " + quoteCharacter(s_, pos_));
  }

  Value number() {
    const std::size_t start = pos_;
    while (isDigit(peek())) ++pos_;
    // "1.'" and "1.*x": the dot belongs to the operator, not the number.
    if (peek() == '.' && peek(1) != '*' && peek(1) != '/' && peek(1) != '^' && peek(1) != '\'') {
      ++pos_;
      while (isDigit(peek())) ++pos_;
    }
    if ((peek() == 'e' || peek() == 'E') &&
        (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
      pos_ += 2;
      while (isDigit(peek())) ++pos_;
    }
    const std::string_view digits = s_.substr(start, pos_ - start);
    double x = 0.0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), x);
    if (ec == std::errc::result_out_of_range) {
      // Too large gives Inf, too small 0, as when MATLAB reads 1e999 or 1e-999.
      x = std::strtod(std::string(digits).c_str(), nullptr);
    } else if (ec != std::errc() || end != digits.data() + digits.size()) {
      fail(start, "malformed number");
    }
    bool imaginary = false;
    if ((peek() == 'i' || peek() == 'j') && !isIdentChar(peek(1))) {
      ++pos_;
      imaginary = true;
    }
    if (isIdentChar(peek()) || (peek() == '.' && isDigit(peek(1)))) fail(start, "malformed number");
    Value v = scalar(imaginary ? 0.0 : x);
    if (imaginary) {
      v.complex = true;
      v.imag = {x};
    }
    return v;
  }

  // Text between `quote`s, a doubled quote standing for one.
  std::string quoted(char quote) {
    const std::size_t start = pos_++;
    std::string text;
    for (;;) {
      if (atEnd()) fail(start, std::string("text is missing its closing ") + quote);
      if (peek() == quote) {
        if (peek(1) != quote) break;
        ++pos_;
      }
      text += s_[pos_++];
    }
    ++pos_;
    return text;
  }

  Value charText() {
    const std::size_t start = pos_;
    Value v = makeNumeric(ValueClass::kChar, {0, 0}, {});
    std::string text = quoted('\'');
    appendUtf16(text, start + 1, v.real);
    if (!v.real.empty()) v.dims = {1, v.real.size()};
    return v;
  }

  Value stringText() {
    Value v;
    v.cls = ValueClass::kString;
    v.dims = {1, 1};
    v.strings.push_back(quoted('"'));
    return v;
  }

  // [ ... ] or { ... }: rows separated by ';' or line breaks, elements by
  // ',' or blanks.
  Value matrix(char open) {
    const char close = open == '[' ? ']' : '}';
    const bool cell = open == '{';
    ++pos_;
    context_.push_back(open);
    std::vector<Value> rows;
    std::vector<std::size_t> rowPositions;
    std::vector<Value> row;
    std::vector<std::size_t> positions;
    auto endRow = [&]() {
      if (row.empty()) return;
      rowPositions.push_back(positions.front());
      rows.push_back(concatenate(std::move(row), positions, true));
      row.clear();
      positions.clear();
    };
    const std::string expected = std::string("expected ',', ';' or '") + close + "'";
    for (;;) {
      skipBlanks();
      const char c = peek();
      if (c == close) {
        ++pos_;
        endRow();
        break;
      }
      if (c == ';' || c == '\n' || c == '\r') {
        ++pos_;
        endRow();
        continue;
      }
      if (atEnd()) fail(pos_, std::string("expected '") + close + "'");
      const std::size_t start = pos_;
      Value v = expression();
      positions.push_back(start);
      row.push_back(cell ? wrapInCell(std::move(v)) : std::move(v));
      const bool blank = skipBlanks();
      const char next = peek();
      if (next == ',') {
        ++pos_;
        skipBlanks();
        if (peek() == ',') fail(pos_, "expected an expression before ','");
        continue;
      }
      if (next == ';' || next == '\n' || next == '\r' || next == close) continue;
      if (blank && startsElement(next)) continue;
      if (atEnd()) fail(pos_, std::string("expected '") + close + "'");
      fail(pos_, expected);
    }
    context_.pop_back();
    if (rows.empty()) return emptyOf(cell ? ValueClass::kCell : ValueClass::kDouble);
    return concatenate(std::move(rows), rowPositions, false);
  }

  static bool startsElement(char c) {
    return isDigit(c) || isIdentStart(c) || c == '.' || c == '\'' || c == '"' || c == '(' || c == '[' ||
           c == '{' || c == '+' || c == '-';
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  std::vector<char> context_;  // the open '(', '[' and '{' around pos_
  int depth_ = 0;
};

}  // namespace

Call parseCall(std::string_view text) { return Parser(text).call(); }

}  // namespace mexrun
