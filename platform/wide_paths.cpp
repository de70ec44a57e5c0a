#include "platform/wide_paths.h"

bool WindowsForbids(const std::u16string& name) {
  return name.find_first_of(u"\"*<>?|\\") != std::u16string::npos;
}

bool NarrowByComponents(const std::u16string& path,
                        const std::function<bool(const std::u16string&, std::string*)>& spell,
                        const AliasLookup& alias, std::string* narrow) {
  std::string result;
  size_t start = 0;
  for (;;) {
    size_t end = path.find_first_of(u"\\/", start);
    size_t stop = end == std::u16string::npos ? path.size() : end;
    std::u16string component = path.substr(start, stop - start);
    std::string spelled;
    bool spelledAsIs = !WindowsForbids(component) && spell(component, &spelled);
    if (!spelledAsIs && !alias(path.substr(0, stop), result, &spelled)) return false;
    result += spelled;
    if (end == std::u16string::npos) break;
    result += static_cast<char>(path[end]);
    start = end + 1;
  }
  *narrow = result;
  return true;
}

bool DecodeUtf8(const std::string& bytes, std::u16string* text) {
  std::u16string result;
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char lead = static_cast<unsigned char>(bytes[i]);
    size_t extra;
    char32_t value;
    if (lead < 0x80) {
      extra = 0;
      value = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      value = lead & 0x07;
    } else {
      return false;
    }
    if (bytes.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    static const char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (value < kLeast[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
      return false;
    if (value >= 0x10000) {
      value -= 0x10000;
      result += static_cast<char16_t>(0xD800 + (value >> 10));
      result += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    } else {
      result += static_cast<char16_t>(value);
    }
    i += extra + 1;
  }
  *text = result;
  return true;
}

std::string EncodeUtf8(const std::u16string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t value = text[i];
    bool high = value >= 0xD800 && value <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      value = 0x10000 + ((value - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (value >= 0xD800 && value <= 0xDFFF) {
      value = 0xFFFD;
    }
    if (value < 0x80) {
      bytes += static_cast<char>(value);
    } else if (value < 0x800) {
      bytes += static_cast<char>(0xC0 | (value >> 6));
      bytes += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
      bytes += static_cast<char>(0xE0 | (value >> 12));
      bytes += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (value & 0x3F));
    } else {
      bytes += static_cast<char>(0xF0 | (value >> 18));
      bytes += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
      bytes += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (value & 0x3F));
    }
  }
  return bytes;
}

bool IsUtf8Line(const std::string& line, std::u16string* text) {
  bool wide = false;
  for (char c : line) wide = wide || static_cast<unsigned char>(c) >= 0x80;
  return wide && DecodeUtf8(line, text);
}
