#pragma once

#include <string>

// Turns a document in the Rich Text Format, as word processors save it, into
// HTML for a read-only text view.
namespace tarvex::exporting {

// Groups, paragraphs, bold, italic, underline, strike-through, font sizes,
// fonts, colours, alignment and indents are kept. Characters given as \'hh
// are read in the document's (or the font's) code page, \uN characters with
// their fallback skipped. Destinations that are not text (font and colour
// tables aside: pictures, field instructions, headers, document information,
// any \*\ destination) and unknown control words are passed over. Damaged
// input (unbalanced groups, a truncated file) gives what could be read; text
// that is not RTF at all is shown as plain text.
//
// The HTML is pure ASCII: every other character is a numeric reference.
std::string rtf_to_html(const std::string& rtf);

}  // namespace tarvex::exporting
