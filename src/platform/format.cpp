#include "platform/format.h"

namespace {

struct Spec {
  bool left = false, zero = false, space = false, plus = false;
  int width = 0;
  int precision = -1;
  char conv = 0;
};

// Renders one conversion as UTF-16; the narrow formatter converts back.
WString Render(const Spec& spec, const FormatArg* arg) {
  WString body;
  WString sign;
  bool numeric = false;
  switch (spec.conv) {
    case 's':
    case 'S': {
      if (arg && arg->kind == FormatArg::Kind::Wide)
        body = WString(arg->wide);
      else if (arg && arg->kind == FormatArg::Kind::Narrow)
        body = AnsiToWide(arg->narrow);
      if (spec.precision >= 0 && body.size() > static_cast<size_t>(spec.precision))
        body.resize(static_cast<size_t>(spec.precision));
      break;
    }
    case 'c':
      if (arg && (arg->kind == FormatArg::Kind::Signed || arg->kind == FormatArg::Kind::Unsigned))
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
      if (spec.conv == 'd' || spec.conv == 'i') {
        // 32-bit semantics, as a Windows int.
        const auto v = static_cast<int32_t>(arg->kind == FormatArg::Kind::Signed ? arg->sval
                                                                                 : static_cast<int64_t>(arg->uval));
        if (v < 0) {
          sign = u"-";
          magnitude = static_cast<uint64_t>(-static_cast<int64_t>(v));
        } else {
          if (spec.plus) sign = u"+";
          else if (spec.space) sign = u" ";
          magnitude = static_cast<uint64_t>(v);
        }
      } else {
        magnitude = static_cast<uint32_t>(arg->uval);
      }
      const unsigned base = (spec.conv == 'x' || spec.conv == 'X') ? 16 : 10;
      const char* digits = spec.conv == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
      do {
        body.insert(body.begin(), static_cast<char16_t>(digits[magnitude % base]));
        magnitude /= base;
      } while (magnitude);
      if (spec.precision >= 0 && body.size() < static_cast<size_t>(spec.precision))
        body.insert(0, static_cast<size_t>(spec.precision) - body.size(), u'0');
      break;
    }
    default:
      break;
  }
  const size_t len = sign.size() + body.size();
  if (spec.width > 0 && len < static_cast<size_t>(spec.width)) {
    const size_t pad = static_cast<size_t>(spec.width) - len;
    if (spec.left) return sign + body + WString(pad, u' ');
    if (spec.zero && numeric && spec.precision < 0) return sign + WString(pad, u'0') + body;
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
      out.push_back(widen(c));
      continue;
    }
    if (i + 1 >= format.size()) {
      out.push_back(u'%');
      break;
    }
    Spec spec;
    size_t j = i + 1;
    for (; j < format.size(); ++j) {
      const Char f = format[j];
      if (f == '-') spec.left = true;
      else if (f == '0') spec.zero = true;
      else if (f == ' ') spec.space = true;
      else if (f == '+') spec.plus = true;
      else if (f == '#') {}
      else break;
    }
    if (j < format.size() && format[j] == '*') {
      const FormatArg* w = take();
      spec.width = w ? static_cast<int>(w->sval) : 0;
      if (spec.width < 0) {  // a negative width argument left-justifies, as in printf
        spec.left = true;
        spec.width = spec.width < -100000 ? 100000 : -spec.width;
      } else if (spec.width > 100000) {
        spec.width = 100000;
      }
      ++j;
    }
    while (j < format.size() && format[j] >= '0' && format[j] <= '9' && spec.width < 100000)
      spec.width = spec.width * 10 + (format[j++] - '0');
    if (j < format.size() && format[j] == '.') {
      spec.precision = 0;
      ++j;
      if (j < format.size() && format[j] == '*') {
        const FormatArg* p = take();
        spec.precision = p ? static_cast<int>(p->sval) : 0;
        ++j;
      }
      while (j < format.size() && format[j] >= '0' && format[j] <= '9' && spec.precision < 100000)
        spec.precision = spec.precision * 10 + (format[j++] - '0');
    }
    // Length modifiers carry no meaning here: arguments know their own size.
    while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'I' ||
                                 format[j] == 'z' || format[j] == 'w'))
      ++j;
    if (j >= format.size()) break;
    const Char conv = format[j];
    i = j;
    if (conv == '%') {
      out.push_back(u'%');
      continue;
    }
    spec.conv = static_cast<char>(conv);
    switch (spec.conv) {
      case 'c':
        if constexpr (sizeof(Char) == 1) {
          // A narrow %c is a byte of the narrow text, whatever its value.
          const FormatArg* a = take();
          if (a && (a->kind == FormatArg::Kind::Signed || a->kind == FormatArg::Kind::Unsigned))
            out.push_back(widen(static_cast<Char>(a->uval & 0xFF)));
        } else {
          out += Render(spec, take());
        }
        break;
      case 's': case 'S': case 'd': case 'i': case 'u': case 'x': case 'X':
        out += Render(spec, take());
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
