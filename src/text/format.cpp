#include "text/format.h"

#include <algorithm>

namespace {

struct Directive {
  bool left = false, zero = false, space = false, plus = false, alternate = false;
  bool wide64 = false;  // "ll" or "I64": the whole 64-bit value
  int width = 0;
  int precision = -1;
  char conv = 0;
};

// Renders one conversion as UTF-16; the narrow formatter converts back.
WString Render(const Directive& directive, const FormatArg* arg, char16_t narrowChar = 0) {
  WString body;
  WString sign;
  bool numeric = false;
  switch (directive.conv) {
    case 's':
    case 'S': {
      if (arg && arg->kind == FormatArg::Kind::Wide)
        body = WString(arg->wide);
      else if (arg && arg->kind == FormatArg::Kind::Narrow)
        body = AnsiToWide(arg->narrow);
      if (directive.precision >= 0 && body.size() > static_cast<size_t>(directive.precision))
        body.resize(static_cast<size_t>(directive.precision));
      break;
    }
    case 'c':
      if (narrowChar) body.push_back(narrowChar);
      else if (arg && (arg->kind == FormatArg::Kind::Signed || arg->kind == FormatArg::Kind::Unsigned))
        body.push_back(static_cast<char16_t>(arg->uval & 0xFFFF));
      break;
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X': {
      if (!arg || arg->kind == FormatArg::Kind::None || arg->kind == FormatArg::Kind::Wide ||
          arg->kind == FormatArg::Kind::Narrow)
        break;
      numeric = true;
      uint64_t magnitude;
      if (directive.conv == 'd' || directive.conv == 'i') {
        // 32-bit semantics, as a Windows int, unless "ll" or "I64" asks for 64.
        const int64_t whole = arg->kind == FormatArg::Kind::Signed ? arg->sval : static_cast<int64_t>(arg->uval);
        const int64_t v = directive.wide64 ? whole : static_cast<int32_t>(whole);
        if (v < 0) {
          sign = u"-";
          magnitude = 0 - static_cast<uint64_t>(v);
        } else {
          if (directive.plus) sign = u"+";
          else if (directive.space) sign = u" ";
          magnitude = static_cast<uint64_t>(v);
        }
      } else {
        // A signed argument keeps its 64 bits in sval; uval holds its low 32.
        const uint64_t whole = arg->kind == FormatArg::Kind::Signed ? static_cast<uint64_t>(arg->sval) : arg->uval;
        magnitude = directive.wide64 ? whole : static_cast<uint32_t>(whole);
      }
      const bool zeroValue = magnitude == 0;
      if (directive.alternate && !zeroValue && directive.conv == 'x') sign = u"0x";
      if (directive.alternate && !zeroValue && directive.conv == 'X') sign = u"0X";
      const unsigned base = (directive.conv == 'x' || directive.conv == 'X') ? 16 : 10;
      const char* digits = directive.conv == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
      // As printf: a precision of 0 prints no digit for the value 0.
      while (magnitude || (body.empty() && directive.precision != 0)) {
        body.insert(body.begin(), static_cast<char16_t>(digits[magnitude % base]));
        magnitude /= base;
      }
      if (directive.precision >= 0 && body.size() < static_cast<size_t>(directive.precision))
        body.insert(0, static_cast<size_t>(directive.precision) - body.size(), u'0');
      break;
    }
    default:
      break;
  }
  const size_t len = sign.size() + body.size();
  if (directive.width > 0 && len < static_cast<size_t>(directive.width)) {
    const size_t pad = static_cast<size_t>(directive.width) - len;
    if (directive.left) return sign + body + WString(pad, u' ');
    if (directive.zero && numeric && directive.precision < 0) return sign + WString(pad, u'0') + body;
    return WString(pad, u' ') + sign + body;
  }
  return sign + body;
}

template <class Char>
WString FormatCore(std::basic_string_view<Char> format, std::span<const FormatArg> args) {
  WString out;
  size_t next = 0;
  auto take = [&]() -> const FormatArg* { return next < args.size() ? &args[next++] : nullptr; };
  auto widen = [](Char c) -> char16_t {
    if constexpr (sizeof(Char) == 1) {
      const char one = static_cast<char>(c);
      return AnsiToWide(std::string_view(&one, 1))[0];
    } else {
      return c;
    }
  };
  for (size_t i = 0; i < format.size(); ++i) {
    const Char c = format[i];
    if (c != '%') {
      if constexpr (sizeof(Char) == 2) {
        // The text up to the next directive, in one piece.
        const size_t end = std::min(format.find(u'%', i), format.size());
        out.append(format.data() + i, end - i);
        i = end - 1;
      } else {
        out.push_back(widen(c));
      }
      continue;
    }
    if (i + 1 >= format.size()) {
      out.push_back(u'%');
      break;
    }
    Directive directive;
    size_t j = i + 1;
    for (; j < format.size(); ++j) {
      const Char f = format[j];
      if (f == '-') directive.left = true;
      else if (f == '0') directive.zero = true;
      else if (f == ' ') directive.space = true;
      else if (f == '+') directive.plus = true;
      else if (f == '#') directive.alternate = true;
      else break;
    }
    if (j < format.size() && format[j] == '*') {
      const FormatArg* w = take();
      directive.width = w ? static_cast<int>(w->sval) : 0;
      if (directive.width < 0) {  // a negative width argument left-justifies, as in printf
        directive.left = true;
        directive.width = directive.width < -100000 ? 100000 : -directive.width;
      } else if (directive.width > 100000) {
        directive.width = 100000;
      }
      ++j;
    }
    while (j < format.size() && format[j] >= '0' && format[j] <= '9' && directive.width < 100000)
      directive.width = directive.width * 10 + (format[j++] - '0');
    if (j < format.size() && format[j] == '.') {
      directive.precision = 0;
      ++j;
      if (j < format.size() && format[j] == '*') {
        const FormatArg* p = take();
        directive.precision = p ? static_cast<int>(p->sval) : 0;
        ++j;
      }
      while (j < format.size() && format[j] >= '0' && format[j] <= '9' && directive.precision < 100000)
        directive.precision = directive.precision * 10 + (format[j++] - '0');
    }
    // Length modifiers: arguments know their own size, so only the 64-bit
    // ones ("ll", "I64") change how a number is read; "I32" and "I" alone
    // are the default width.
    int longs = 0;
    while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'I' ||
                                 format[j] == 'z' || format[j] == 'w')) {
      if (format[j] == 'l') ++longs;
      if (format[j] == 'I' && j + 2 < format.size() && format[j + 1] == '6' && format[j + 2] == '4') {
        directive.wide64 = true;
        j += 2;
      } else if (format[j] == 'I' && j + 2 < format.size() && format[j + 1] == '3' && format[j + 2] == '2') {
        j += 2;
      }
      ++j;
    }
    if (longs >= 2) directive.wide64 = true;
    if (j >= format.size()) break;
    const Char conv = format[j];
    i = j;
    if (conv == '%') {
      out.push_back(u'%');
      continue;
    }
    directive.conv = static_cast<char>(conv);
    switch (directive.conv) {
      case 'c':
        if constexpr (sizeof(Char) == 1) {
          // A narrow %c is a byte of the narrow text, whatever its value,
          // padded to the width like any other conversion.
          const FormatArg* a = take();
          if (a && (a->kind == FormatArg::Kind::Signed || a->kind == FormatArg::Kind::Unsigned))
            out += Render(directive, a, widen(static_cast<Char>(a->uval & 0xFF)));
        } else {
          out += Render(directive, take());
        }
        break;
      case 's': case 'S': {
        // A UTF-16 string with neither width nor precision goes in as it
        // stands, without the copies of the general path.
        const FormatArg* arg = take();
        if (arg && arg->kind == FormatArg::Kind::Wide && directive.width == 0 && directive.precision < 0)
          out.append(arg->wide);
        else
          out += Render(directive, arg);
        break;
      }
      case 'd': case 'i': case 'u': case 'x': case 'X':
        out += Render(directive, take());
        break;
      default:
        // Unknown conversion: printed as written, no argument used.
        out.push_back(u'%');
        out.push_back(widen(conv));
        break;
    }
  }
  return out;
}

}  // namespace

WString FormatWideV(WStringView format, std::span<const FormatArg> args) {
  return FormatCore<char16_t>(format, args);
}

std::string FormatNarrowV(std::string_view format, std::span<const FormatArg> args) {
  return WideToAnsi(FormatCore<char>(format, args));
}
