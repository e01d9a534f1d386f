// XB Plus token bytes to and from text. The text spells each token by its
// name from the token tables, in the underscore escape form of cell text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/xb_token_tables.h"
#include "model/hresult.h"

namespace gridlet {

// Appends the names of the `count` token bytes to `out` and returns S_OK.
// An assembly program (bytes 0xBB 0x6D at offsets 2 and 3) is refused with
// E_CALC_ASM_PROGRAM and nothing is appended. A two-byte token missing from
// XbTokenNames2 is written with the one-byte name of its second byte. A
// prefix byte in the last position is paired with a second byte of 0, as
// if the stream went on with its usual terminating zero; nothing beyond
// `count` is read.
HRESULT XbTokensToText(const std::uint8_t* tokens, std::size_t count, std::string& out);

// Tokenizes `text` into `out` and returns the number of bytes written. At
// each position the longest name of the tokenize list that the text starts
// with wins; a line feed is dropped, a byte of 0x80 or above and a space
// that starts no longer name become the space token 0x29, and a character
// that starts no name becomes 0xAF ("?"). Writing stops before the first
// token that does not fit in `capacity` bytes; two bytes per character of
// text always suffice. No terminator is written.
std::size_t XbTextToTokens(std::uint8_t* out, std::size_t capacity, std::string_view text);

// A place where the tokens written do not spell the text they were made
// from: no name starts there (the calculator's "?" or a space was
// written), or it is spelled otherwise (a line feed dropped; "o" of the
// letter O, "if" of If).
struct XbTokenizeNote {
  enum Kind : std::uint8_t { NoForm, Respelled };
  std::size_t at;  // in the text
  Kind kind;
};

// The same, noting in `notes` (in text order) each such place.
std::size_t XbTextToTokens(std::uint8_t* out, std::size_t capacity, std::string_view text,
                           std::vector<XbTokenizeNote>* notes);

// Whether two or more letter tokens stand directly before an opening
// parenthesis: the name of a function the calculator does not have, which
// it would read as a product of variables.
bool XbLettersBeforeParenthesis(const std::uint8_t* tokens, std::size_t count);

}  // namespace gridlet
