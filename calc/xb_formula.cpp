#include "calc/xb_formula.h"

#include <algorithm>

#include "calc/formula_names.h"
#include "calc/formula_rewrites.h"
#include "encoding/xb_tokens.h"

namespace gridlet {

namespace {

// Dollar signs outside the formula's strings.
std::size_t DollarsOutsideStrings(const std::string& formula) {
  if (formula.find('$') == std::string::npos) return 0;
  std::size_t dollars = 0;
  ForEachFormulaPiece(formula, [&dollars](std::string_view piece, bool inString) {
    if (!inString) dollars += static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '$'));
  });
  return dollars;
}

}  // namespace

std::vector<std::uint8_t> XbFormulaTokens(std::string formula, CellChanges& changes) {
  if (HoldsSheetReference(formula)) changes.Add(CellChange::SheetReference);
  const std::size_t dollars = DollarsOutsideStrings(formula);
  IntermediateNamesToXb(formula);
  if (DollarsOutsideStrings(formula) < dollars) changes.Add(CellChange::AbsoluteReferences);

  // Two bytes for each character always suffice.
  std::vector<std::uint8_t> tokens(2 * formula.size());
  std::vector<XbTokenizeNote> notes;
  tokens.resize(XbTextToTokens(tokens.data(), tokens.size(), formula, &notes));

  // Notes come in text order: one walk over the pieces tells those inside
  // strings.
  std::size_t next = 0;
  const auto classify = [&](std::string_view piece, bool inString) {
    const auto end = static_cast<std::size_t>(piece.data() - formula.data()) + piece.size();
    for (; next < notes.size() && notes[next].at < end; ++next) {
      if (inString) {
        changes.Add(CellChange::FormulaStrings);
      } else if (notes[next].kind == XbTokenizeNote::NoForm) {
        // Outside strings another spelling of a name ("if" for If) is the
        // same token.
        changes.Add(CellChange::FormulaCharacters);
      }
    }
  };
  if (!notes.empty()) ForEachFormulaPiece(formula, classify);
  if (XbLettersBeforeParenthesis(tokens.data(), tokens.size())) changes.Add(CellChange::UnknownFunction);
  return tokens;
}

}  // namespace gridlet
