#include "export/rtf_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace tarvex::exporting {

namespace {

// cp1250
constexpr char16_t kCp1250[128] = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
// cp1251
constexpr char16_t kCp1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// cp1252
constexpr char16_t kCp1252[128] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

// Code page of \'hh bytes: one of the tables above; 0 for the symbol fonts.
char32_t decode_byte(unsigned char byte, int codepage) {
  if (byte < 0x80) return byte;
  switch (codepage) {
    case 0:
      // Symbol and Wingdings: the bullets word processors put before list
      // items; other symbols show as their Latin-1 byte.
      if (byte == 0xB7) return 0x2022;
      if (byte == 0xA7) return 0x25AA;
      return byte;
    case 1250:
      return kCp1250[byte - 0x80];
    case 1251:
      return kCp1251[byte - 0x80];
    default:
      // 1252 and every code page without a table of its own.
      return kCp1252[byte - 0x80];
  }
}

int charset_codepage(int charset, int document_codepage) {
  switch (charset) {
    case 2:
      return 0;
    case 204:
      return 1251;
    case 238:
      return 1250;
    case 0:
    case 1:
      return document_codepage;
    default:
      return 1252;
  }
}

void append_html_char(std::string& out, char32_t ch) {
  switch (ch) {
    case '<':
      out += "&lt;";
      return;
    case '>':
      out += "&gt;";
      return;
    case '&':
      out += "&amp;";
      return;
    case '"':
      out += "&quot;";
      return;
    case '\'':
      out += "&#39;";
      return;
    case '\t':
      out += "&#9;";
      return;
    default:
      break;
  }
  if (ch < 0x20 || ch == 0x7F || (ch >= 0x80 && ch < 0xA0)) return;  // control characters
  if (ch < 0x80) {
    out += static_cast<char>(ch);
    return;
  }
  out += "&#" + std::to_string(static_cast<std::uint32_t>(ch)) + ";";
}

struct CharFormat {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  int vertical = 0;  // -1 subscript, 1 superscript
  int half_points = 24;
  int font = -1;  // -1: the document's default font
  int color = 0;  // 0: automatic
  int highlight = 0;
  bool operator==(const CharFormat&) const = default;
};

struct ParaFormat {
  char align = 'l';
  int left_twips = 0;
  int first_twips = 0;
  int before_twips = 0;
  int after_twips = 0;
};

enum class Destination { Text, FontTable, ColorTable, Skip };

struct GroupState {
  CharFormat chr;
  ParaFormat para;
  Destination dest = Destination::Text;
  int uc = 1;  // fallback characters after \uN
};

struct Font {
  std::string name;  // HTML-escaped
  int codepage = 1252;
  bool named = false;
};

struct Color {
  int red = 0, green = 0, blue = 0;
  bool set = false;
};

struct Run {
  CharFormat format;
  std::string html;
};

struct Paragraph {
  ParaFormat format;
  std::vector<Run> runs;
};

// Groups nested deeper than this are read as part of the group that holds
// them, so a file of nothing but "{" cannot exhaust memory.
constexpr int kMaxDepth = 512;

class Reader {
 public:
  explicit Reader(const std::string& in) : in_(in) {}

  std::string run() {
    while (pos_ < in_.size()) step();
    if (high_surrogate_) emit(0xFFFD);
    if (!paragraph_.runs.empty()) end_paragraph();
    return html();
  }

 private:
  void step() {
    const char c = in_[pos_];
    if (c == '{') {
      ++pos_;
      if (static_cast<int>(stack_.size()) >= kMaxDepth) {
        ++overflow_;
      } else {
        stack_.push_back(state_);
      }
      skip_ = 0;
    } else if (c == '}') {
      ++pos_;
      end_group();
      skip_ = 0;
    } else if (c == '\\') {
      ++pos_;
      control();
    } else if (c == '\r' || c == '\n') {
      ++pos_;
    } else {
      ++pos_;
      byte_char(static_cast<unsigned char>(c));
    }
  }

  void end_group() {
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (stack_.empty()) return;  // a stray "}": nothing to close
    if (state_.dest == Destination::FontTable) finish_font();
    state_ = stack_.back();
    stack_.pop_back();
  }

  // One control word or control symbol; the backslash has been read.
  void control() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (is_letter(c)) {
      std::string word;
      while (pos_ < in_.size() && is_letter(in_[pos_])) {
        if (word.size() < 32) word += in_[pos_];
        ++pos_;
      }
      bool has_param = false;
      bool negative = false;
      long long param = 0;
      if (pos_ + 1 < in_.size() && in_[pos_] == '-' && is_digit(in_[pos_ + 1])) {
        negative = true;
        ++pos_;
      }
      while (pos_ < in_.size() && is_digit(in_[pos_])) {
        has_param = true;
        if (param < 100000000000LL) param = param * 10 + (in_[pos_] - '0');
        ++pos_;
      }
      if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
      param = std::clamp(negative ? -param : param, -2147483648LL, 2147483647LL);
      if (word == "bin") {
        // Binary data follows; it is never text, whatever bytes it holds.
        const std::size_t length = has_param && param > 0 ? static_cast<std::size_t>(param) : 0;
        pos_ += std::min(length, in_.size() - pos_);
        return;
      }
      if (skip_ > 0) {
        --skip_;
        return;
      }
      control_word(word, has_param, static_cast<int>(param));
      return;
    }
    ++pos_;
    switch (c) {
      case '\'': {
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos_ < in_.size() && hex_value(in_[pos_]) >= 0) {
          value = value * 16 + hex_value(in_[pos_]);
          ++pos_;
          ++digits;
        }
        if (digits == 2) byte_char(static_cast<unsigned char>(value));
        return;
      }
      case '*':
        // A destination this reader does not know: its whole group is
        // passed over.
        state_.dest = Destination::Skip;
        return;
      case '\r':
      case '\n':
        if (skip_ > 0) {
          --skip_;
          return;
        }
        if (state_.dest == Destination::Text) end_paragraph();
        return;
      case '~':
        symbol_char(0xA0);
        return;
      case '_':
        symbol_char(0x2011);
        return;
      case '\\':
      case '{':
      case '}':
        symbol_char(static_cast<unsigned char>(c));
        return;
      default:
        // "\-" (optional hyphen), "\|", "\:" and unknown symbols show nothing.
        if (skip_ > 0) --skip_;
        return;
    }
  }

  void control_word(const std::string& w, bool has_param, int param) {
    Destination& dest = state_.dest;
    // Nothing inside a skipped destination counts, not even a table in it.
    if (dest == Destination::Skip) return;
    const bool on = !has_param || param != 0;
    CharFormat& chr = state_.chr;
    ParaFormat& para = state_.para;

    // Destinations.
    if (w == "fonttbl") {
      dest = Destination::FontTable;
      return;
    }
    if (w == "colortbl") {
      dest = Destination::ColorTable;
      colors_.clear();
      pending_color_ = Color{};
      return;
    }
    static const char* const kSkipped[] = {"stylesheet",
                                           "info",
                                           "pict",
                                           "header",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footer",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "fldinst",
                                           "object",
                                           "objdata",
                                           "xe",
                                           "tc",
                                           "txe",
                                           "rxe",
                                           "filetbl",
                                           "revtbl",
                                           "listtable",
                                           "listoverridetable",
                                           "themedata",
                                           "colorschememapping",
                                           "datastore",
                                           "latentstyles",
                                           "do",
                                           "annotation",
                                           "atnid",
                                           "atnauthor",
                                           "pn",
                                           "private",
                                           "fldtype",
                                           "ftnsep",
                                           "ftnsepc",
                                           "ftncn",
                                           "aftnsep",
                                           "aftnsepc",
                                           "aftncn",
                                           "template",
                                           "rsidtbl",
                                           "generator",
                                           "userprops"};
    for (const char* skipped : kSkipped) {
      if (w == skipped) {
        dest = Destination::Skip;
        return;
      }
    }

    if (dest == Destination::FontTable) {
      if (w == "f" && has_param) {
        finish_font();
        font_index_ = param;
        fonts_[font_index_] = Font{};
        fonts_[font_index_].codepage = document_codepage_;
      } else if (w == "fcharset" && font_index_ >= 0) {
        fonts_[font_index_].codepage = charset_codepage(param, document_codepage_);
      } else if (w == "cpg" && font_index_ >= 0) {
        fonts_[font_index_].codepage = param;
      }
      return;
    }
    if (dest == Destination::ColorTable) {
      if (w == "red") pending_color_.red = std::clamp(param, 0, 255);
      if (w == "green") pending_color_.green = std::clamp(param, 0, 255);
      if (w == "blue") pending_color_.blue = std::clamp(param, 0, 255);
      if (w == "red" || w == "green" || w == "blue") pending_color_.set = true;
      return;
    }

    // Document.
    if (w == "ansicpg" && has_param) {
      document_codepage_ = param;
    } else if (w == "ansi") {
      document_codepage_ = 1252;
    } else if (w == "deff" && has_param) {
      default_font_ = param;
    } else if (w == "uc" && has_param) {
      state_.uc = std::clamp(param, 0, 16);
    } else if (w == "u" && has_param) {
      unicode_char(param);
      skip_ = state_.uc;
    }
    // Characters.
    else if (w == "b") {
      chr.bold = on;
    } else if (w == "i") {
      chr.italic = on;
    } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "ulth" ||
               w == "uldash" || w == "ulwave") {
      chr.underline = on;
    } else if (w == "ulnone") {
      chr.underline = false;
    } else if (w == "strike" || w == "striked") {
      chr.strike = on;
    } else if (w == "super") {
      chr.vertical = 1;
    } else if (w == "sub") {
      chr.vertical = -1;
    } else if (w == "nosupersub") {
      chr.vertical = 0;
    } else if (w == "fs") {
      chr.half_points = has_param && param > 0 ? std::min(param, 3276) : 24;
    } else if (w == "f" && has_param) {
      chr.font = param;
    } else if (w == "cf") {
      chr.color = has_param ? param : 0;
    } else if (w == "highlight" || w == "cb" || w == "chcbpat") {
      chr.highlight = has_param ? param : 0;
    } else if (w == "plain") {
      chr = CharFormat{};
    }
    // Paragraphs.
    else if (w == "par" || w == "row" || w == "page" || w == "sect") {
      end_paragraph();
    } else if (w == "pard") {
      para = ParaFormat{};
    } else if (w == "ql") {
      para.align = 'l';
    } else if (w == "qc") {
      para.align = 'c';
    } else if (w == "qr") {
      para.align = 'r';
    } else if (w == "qj") {
      para.align = 'j';
    } else if (w == "li") {
      para.left_twips = param;
    } else if (w == "fi") {
      para.first_twips = param;
    } else if (w == "sb") {
      para.before_twips = param;
    } else if (w == "sa") {
      para.after_twips = param;
    }
    // Special characters.
    else if (w == "line") {
      raw("<br />");
    } else if (w == "tab" || w == "cell") {
      symbol_char('\t');
    } else if (w == "emdash") {
      symbol_char(0x2014);
    } else if (w == "endash") {
      symbol_char(0x2013);
    } else if (w == "bullet") {
      symbol_char(0x2022);
    } else if (w == "lquote") {
      symbol_char(0x2018);
    } else if (w == "rquote") {
      symbol_char(0x2019);
    } else if (w == "ldblquote") {
      symbol_char(0x201C);
    } else if (w == "rdblquote") {
      symbol_char(0x201D);
    } else if (w == "emspace" || w == "enspace" || w == "qmspace") {
      symbol_char(0x20);
    }
    // Every other control word changes nothing that a reader sees.
  }

  // A character given as a byte in the current code page.
  void byte_char(unsigned char byte) {
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (state_.dest == Destination::FontTable) {
      if (byte == ';') {
        finish_font();
      } else if (font_index_ >= 0) {
        append_html_char(fonts_[font_index_].name, decode_byte(byte, fonts_[font_index_].codepage));
      }
      return;
    }
    if (state_.dest == Destination::ColorTable) {
      if (byte == ';') {
        colors_.push_back(pending_color_);
        pending_color_ = Color{};
      }
      return;
    }
    if (state_.dest != Destination::Text) return;
    if (byte == '\t') {
      emit('\t');
      return;
    }
    emit(decode_byte(byte, current_codepage()));
  }

  // A character named by a control word or symbol.
  void symbol_char(char32_t ch) {
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (state_.dest == Destination::Text) emit(ch);
  }

  void unicode_char(int value) {
    if (state_.dest != Destination::Text) return;
    const char32_t unit = static_cast<char32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
    if (unit >= 0xD800 && unit < 0xDC00) {
      if (high_surrogate_) emit(0xFFFD);
      high_surrogate_ = unit;
      return;
    }
    if (unit >= 0xDC00 && unit < 0xE000) {
      if (!high_surrogate_) {
        emit(0xFFFD);
        return;
      }
      const char32_t full = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00);
      high_surrogate_ = 0;
      emit(full);
      return;
    }
    emit(unit);
  }

  int current_codepage() const {
    const int font = state_.chr.font >= 0 ? state_.chr.font : default_font_;
    auto it = fonts_.find(font);
    return it == fonts_.end() ? document_codepage_ : it->second.codepage;
  }

  void emit(char32_t ch) {
    if (high_surrogate_) {
      high_surrogate_ = 0;
      emit(0xFFFD);
    }
    append_html_char(run_for_text(), ch);
  }

  void raw(const char* html) {
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (state_.dest == Destination::Text) run_for_text() += html;
  }

  std::string& run_for_text() {
    if (paragraph_.runs.empty() || !(paragraph_.runs.back().format == state_.chr))
      paragraph_.runs.push_back(Run{state_.chr, {}});
    return paragraph_.runs.back().html;
  }

  void end_paragraph() {
    paragraph_.format = state_.para;
    // An empty paragraph is a blank line of the size in use.
    if (paragraph_.runs.empty()) paragraph_.runs.push_back(Run{state_.chr, "&#160;"});
    paragraphs_.push_back(std::move(paragraph_));
    paragraph_ = Paragraph{};
  }

  void finish_font() {
    if (font_index_ < 0) return;
    Font& f = fonts_[font_index_];
    // Leading and trailing blanks of a name are layout, not part of it.
    f.name.erase(0, f.name.find_first_not_of(' '));
    f.name.erase(f.name.find_last_not_of(' ') + 1);
    f.named = !f.name.empty();
    font_index_ = -1;
  }

  std::string html() const {
    std::string out =
        "<html><head><meta name=\"qrichtext\" content=\"1\" /></head><body "
        "style=\"font-size:12pt;";
    if (const Font* f = font(default_font_)) out += " font-family:&#39;" + f->name + "&#39;;";
    out += "\">\n";
    for (const Paragraph& p : paragraphs_) {
      out += "<p style=\"margin-top:" + px(p.format.before_twips) +
             "; margin-bottom:" + px(p.format.after_twips) +
             "; margin-left:" + px(p.format.left_twips) +
             "; text-indent:" + px(p.format.first_twips) + "; white-space:pre-wrap;\"";
      if (p.format.align == 'c') out += " align=\"center\"";
      if (p.format.align == 'r') out += " align=\"right\"";
      if (p.format.align == 'j') out += " align=\"justify\"";
      out += ">";
      for (const Run& r : p.runs) {
        if (r.html.empty()) continue;
        out += "<span style=\"" + span_style(r.format) + "\">" + r.html + "</span>";
      }
      out += "</p>\n";
    }
    out += "</body></html>\n";
    return out;
  }

  std::string span_style(const CharFormat& f) const {
    std::string style;
    char size[32];
    std::snprintf(size, sizeof size, "font-size:%d%spt;", f.half_points / 2,
                  f.half_points % 2 ? ".5" : "");
    style += size;
    if (f.bold) style += " font-weight:bold;";
    if (f.italic) style += " font-style:italic;";
    if (f.underline || f.strike) {
      style += " text-decoration:";
      if (f.underline) style += " underline";
      if (f.strike) style += " line-through";
      style += ";";
    }
    if (f.vertical > 0) style += " vertical-align:super;";
    if (f.vertical < 0) style += " vertical-align:sub;";
    if (f.font >= 0)
      if (const Font* font_entry = font(f.font))
        style += " font-family:&#39;" + font_entry->name + "&#39;;";
    if (const Color* c = color(f.color)) style += " color:" + hex(*c) + ";";
    if (const Color* c = color(f.highlight)) style += " background-color:" + hex(*c) + ";";
    return style;
  }

  const Font* font(int index) const {
    auto it = fonts_.find(index);
    return it != fonts_.end() && it->second.named ? &it->second : nullptr;
  }

  // Index 0 and entries without values mean "automatic".
  const Color* color(int index) const {
    if (index <= 0 || index >= static_cast<int>(colors_.size())) return nullptr;
    return colors_[index].set ? &colors_[index] : nullptr;
  }

  static std::string hex(const Color& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red, c.green, c.blue);
    return text;
  }

  static std::string px(int twips) { return std::to_string(twips / 15) + "px"; }
  static bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static bool is_digit(char c) { return c >= '0' && c <= '9'; }
  static int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  const std::string& in_;
  std::size_t pos_ = 0;
  GroupState state_;
  std::vector<GroupState> stack_;
  int overflow_ = 0;
  int skip_ = 0;  // fallback characters of a \uN still to pass over
  char32_t high_surrogate_ = 0;

  int document_codepage_ = 1252;
  int default_font_ = 0;
  std::map<int, Font> fonts_;
  int font_index_ = -1;
  std::vector<Color> colors_;
  Color pending_color_;

  Paragraph paragraph_;
  std::vector<Paragraph> paragraphs_;
};

// Text that is not RTF: shown as it stands, one paragraph per line.
std::string plain_text_html(const std::string& text) {
  std::string out = "<html><body>\n";
  std::string line;
  auto flush = [&] {
    out +=
        "<p style=\"margin-top:0px; margin-bottom:0px; white-space:pre-wrap;\">" + line + "</p>\n";
    line.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r') continue;
    if (c == '\n') {
      flush();
      continue;
    }
    append_html_char(line, decode_byte(c, 1252));
  }
  if (!line.empty()) flush();
  out += "</body></html>\n";
  return out;
}

}  // namespace

std::string rtf_to_html(const std::string& rtf) {
  std::size_t start = 0;
  if (rtf.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  while (start < rtf.size() &&
         (rtf[start] == ' ' || rtf[start] == '\r' || rtf[start] == '\n' || rtf[start] == '\t'))
    ++start;
  if (rtf.compare(start, 5, "{\\rtf") != 0) return plain_text_html(rtf);
  const std::string body = rtf.substr(start);
  return Reader(body).run();
}

}  // namespace tarvex::exporting
