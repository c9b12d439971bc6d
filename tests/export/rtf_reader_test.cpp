#include "export/rtf_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "platform/text_file.h"

namespace tarvex::exporting {
namespace {

const std::string kData = TARVEX_SOURCE_DIR "/tests/export/data/";

// What a reader sees: the HTML without its tags, one line per paragraph.
std::string visible_text(const std::string& html) {
  std::string text = std::regex_replace(html, std::regex("\n"), "");
  text = std::regex_replace(text, std::regex("</p>"), "\n");
  text = std::regex_replace(text, std::regex("<[^>]*>"), "");
  text = std::regex_replace(text, std::regex("&#39;"), "'");
  return text;
}

std::string body(const std::string& rtf_body) {
  return visible_text(rtf_to_html("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}" + rtf_body + "}"));
}

TEST(RtfReader, DocumentSavedByAWordProcessor) {
  const std::string html = rtf_to_html(platform::read_file(kData + "word_processor.rtf"));
  const std::string text = visible_text(html);
  EXPECT_NE(text.find("Plain start. Bold text and italic text and underlined text.\n"),
            std::string::npos)
      << text;
  EXPECT_NE(html.find("font-weight:bold;"), std::string::npos);
  EXPECT_NE(html.find("font-style:italic;"), std::string::npos);
  EXPECT_NE(html.find("text-decoration: underline;"), std::string::npos);
  EXPECT_NE(html.find("align=\"center\"><span style=\"font-size:12pt; color:#ff0000;\">Red "
                      "centred</span>"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("font-size:20pt;"), std::string::npos);
  // \'e9 after \u233 is the fallback, skipped; Cyrillic and Greek come as
  // \uN only, the emoji as a surrogate pair.
  EXPECT_NE(text.find("Caf&#233; na&#239;ve &#252;ber &#8364;5 &#8212; "
                      "&#1055;&#1088;&#1080;&#1074;&#1077;&#1090; "
                      "&#916;&#949;&#955;&#964;&#945; &#128512; end.\n"),
            std::string::npos)
      << text;
  // Picture data and the hyperlink's field instruction are not text.
  EXPECT_NE(text.find("Picture here: after picture.\n"), std::string::npos) << text;
  EXPECT_NE(text.find("A link text in a field.\n"), std::string::npos);
  EXPECT_EQ(text.find("HYPERLINK"), std::string::npos);
  EXPECT_EQ(text.find("LibreOffice"), std::string::npos);  // \*\generator
  EXPECT_EQ(text.find("Times New Roman"), std::string::npos);
  EXPECT_NE(text.find("Braces {curly} and back\\slash."), std::string::npos);
  // Pure ASCII, so it survives any 8-bit conversion on its way to the view.
  for (char c : html) ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);
}

TEST(RtfReader, BundledManualReadsAsTheOperatorsGuide) {
  const std::string text =
      visible_text(rtf_to_html(platform::read_file(TARVEX_SOURCE_DIR "/demo/Manual.rtf")));
  for (const char* heading :
       {"Starting and logging in", "Opening a device", "Editing the message table", "By SMS",
        "By e-mail", "With the EEPROM programmer", "Messages from the units",
        "Logs and spreadsheets"})
    EXPECT_NE(text.find(heading), std::string::npos) << heading;
  EXPECT_NE(text.find("&#8226;&#9;Type your user name"), std::string::npos);  // list bullet
  EXPECT_EQ(text.find("Heading 1"), std::string::npos);                       // style sheet
  // It promises only what the event log holds.
  EXPECT_EQ(text.find("Every login, log-out, programming run and saved file"), std::string::npos);
  EXPECT_NE(text.find("EEPROM programming runs, bulk messages and other saved files are not "
                      "logged."),
            std::string::npos);
}

TEST(RtfReader, CodePagesAndUnicodeEscapes) {
  // \'hh in the document's code page, or in that of the font's character set.
  EXPECT_EQ(visible_text(rtf_to_html("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\par}")),
            "&#1055;&#1088;&#1080;\n");
  EXPECT_EQ(body("{\\fonttbl{\\f1\\fcharset238 Arial CE;}}\\f1 \\'b9\\f0 \\'b9\\par"),
            "&#261;&#185;\n");
  // \uc2 skips two fallback characters, a negative \u is a code unit above
  // 0x7FFF, and a group end ends the skipping.
  EXPECT_EQ(body("\\uc2\\u8364 EUxy\\u-4064 ??z{\\u946 }b\\par"), "&#8364;xy&#61472;z&#946;b\n");
  EXPECT_EQ(body("\\uc0\\u946 b\\par"), "&#946;b\n");
  // Special characters and escapes.
  const std::string special = "a\\~b\\-c\\_d\\tab e\\line f\\emdash\\ldblquote<&>\\rdblquote\\par";
  EXPECT_EQ(body(special), "a&#160;bc&#8209;d&#9;ef&#8212;&#8220;&lt;&amp;&gt;&#8221;\n");
  EXPECT_NE(rtf_to_html("{\\rtf1 " + special + "}").find("e<br />f"), std::string::npos);
}

TEST(RtfReader, FormattingFollowsGroupsAndNonTextIsSkipped) {
  const std::string html = rtf_to_html(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
      "{\\colortbl;\\red0\\green0\\blue255;}"
      "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Secret title}{\\author Someone}}"
      "{\\header Page header}{\\*\\unknowndest hidden{\\colortbl;\\red9;}}\\unknownword12 "
      "\\pard\\qr\\li720 A{\\b\\i B{\\b0 C}}D\\ul E\\ulnone\\fs30\\cf1\\f1 F"
      "{\\pict\\pngblip 89504e47}{\\*\\shppict{\\pict\\bin4 {}{}}}"
      "\\bin3 {x}G\\par\\pard H\\par}");
  const std::string text = visible_text(html);
  EXPECT_EQ(text.substr(text.find('A')), "ABCDEFG\nH\n") << text;
  EXPECT_EQ(html.find("Secret"), std::string::npos);
  EXPECT_EQ(html.find("header"), std::string::npos);
  EXPECT_EQ(html.find("hidden"), std::string::npos);
  EXPECT_NE(html.find("margin-left:48px; text-indent:0px; white-space:pre-wrap;\" "
                      "align=\"right\"><span style=\"font-size:12pt;\">A</span>"
                      "<span style=\"font-size:12pt; font-weight:bold; font-style:italic;\">B"
                      "</span><span style=\"font-size:12pt; font-style:italic;\">C</span>"
                      "<span style=\"font-size:12pt;\">D</span><span style=\"font-size:12pt; "
                      "text-decoration: underline;\">E</span><span style=\"font-size:15pt; "
                      "font-family:&#39;Courier New&#39;; color:#0000ff;\">FG</span></p>"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("margin-left:0px; text-indent:0px; white-space:pre-wrap;\"><span style="
                      "\"font-size:15pt; font-family:&#39;Courier New&#39;; color:#0000ff;\">H<"),
            std::string::npos);
}

TEST(RtfReader, DamagedInputShowsWhatCouldBeRead) {
  // Truncated inside a group, a control word, an escape; stray group ends.
  EXPECT_EQ(body("Hello {\\b bold"), "Hello bold\n");
  EXPECT_EQ(visible_text(rtf_to_html("{\\rtf1 Hello\\'e")), "Hello\n");
  EXPECT_EQ(visible_text(rtf_to_html("{\\rtf1 Hello\\")), "Hello\n");
  EXPECT_EQ(visible_text(rtf_to_html("{\\rtf1 Hello\\u")), "Hello\n");
  EXPECT_EQ(visible_text(rtf_to_html("{\\rtf1 a}}}b}{\\b c")), "abc\n");
  EXPECT_EQ(visible_text(rtf_to_html("{\\rtf1 x\\bin99999999")), "x\n");
  EXPECT_EQ(visible_text(rtf_to_html("{\\rtf1 x\\fs99999999999999999999 y")), "xy\n");
  // Nesting far deeper than any document still ends, in linear time.
  const std::string deep =
      "{\\rtf1 " + std::string(200000, '{') + "deep" + std::string(200000, '}') + " after}";
  EXPECT_EQ(visible_text(rtf_to_html(deep)), "deep after\n");
  // Not RTF at all: the text as it stands.
  EXPECT_EQ(visible_text(rtf_to_html("Just text <b>\r\nline 2\r\n")),
            "Just text &lt;b&gt;\nline 2\n");

  // Damage anywhere in a real document: cut short or with bytes changed, it
  // always gives an answer.
  const std::string good = platform::read_file(kData + "word_processor.rtf");
  std::mt19937 random(13);
  for (int round = 0; round < 300; ++round) {
    std::string damaged = good.substr(0, random() % good.size());
    for (int n = 0; n < 5 && !damaged.empty(); ++n)
      damaged[random() % damaged.size()] = "{}\\'u0;"[random() % 7];
    const std::string html = rtf_to_html(damaged);
    EXPECT_NE(html.find("</body></html>"), std::string::npos);
  }
}

}  // namespace
}  // namespace tarvex::exporting
