// Workbooks for tests, written as flat OpenDocument spreadsheets (.fods),
// which LibreOffice reads like any workbook: worksheets of cells with
// values, number formats, dates, times, texts and formulas.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gridlet::testing {

// The number formats a cell can be shown in.
enum class Shown {
  General,
  TwoDecimals,   // 0.00
  NoDecimals,    // 0
  Thousands,     // #,##0.00
  Percent,       // 0%
  Scientific,    // 0.00E+00
  Currency,      // $#,##0.00
  IsoDate,       // YYYY-MM-DD
  UsDate,        // MM/DD/YYYY
  Time,          // HH:MM
};

struct FodsCell {
  enum class Kind { Number, Text, Formula, Date, Time, Boolean } kind = Kind::Text;
  std::string content;  // UTF-8: the text, the formula (OpenFormula, "of:=..."), the
                        // ISO date, the ISO duration of a time
  double number = 0;
  Shown shown = Shown::General;

  static FodsCell Number(double value, Shown shown = Shown::General) {
    return {Kind::Number, {}, value, shown};
  }
  static FodsCell Text(std::string text) { return {Kind::Text, std::move(text), 0, Shown::General}; }
  static FodsCell Formula(std::string openFormula) {
    return {Kind::Formula, std::move(openFormula), 0, Shown::General};
  }
  static FodsCell Date(std::string iso, Shown shown = Shown::IsoDate) { return {Kind::Date, std::move(iso), 0, shown}; }
  static FodsCell TimeOfDay(std::string duration) { return {Kind::Time, std::move(duration), 0, Shown::Time}; }
  static FodsCell Boolean(bool value) { return {Kind::Boolean, {}, value ? 1.0 : 0.0, Shown::General}; }
};

class FodsBook {
 public:
  // Cells are placed by 1-based row and column.
  FodsBook& Sheet(std::string name) {
    sheets_.emplace_back(std::move(name), Cells{});
    return *this;
  }
  FodsBook& Set(std::int32_t row, std::int32_t column, FodsCell cell) {
    if (sheets_.empty()) Sheet("Sheet1");
    sheets_.back().second[{row, column}] = std::move(cell);
    return *this;
  }

  std::string Xml() const {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
        "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">\n"
        "<office:automatic-styles>\n"
        "<number:number-style style:name=\"N2\"><number:number number:decimal-places=\"2\" number:min-integer-digits=\"1\"/></number:number-style>\n"
        "<number:number-style style:name=\"N0\"><number:number number:decimal-places=\"0\" number:min-integer-digits=\"1\"/></number:number-style>\n"
        "<number:number-style style:name=\"NT\"><number:number number:decimal-places=\"2\" number:min-integer-digits=\"1\" number:grouping=\"true\"/></number:number-style>\n"
        "<number:percentage-style style:name=\"P0\"><number:number number:decimal-places=\"0\" number:min-integer-digits=\"1\"/><number:text>%</number:text></number:percentage-style>\n"
        "<number:number-style style:name=\"E2\"><number:scientific-number number:decimal-places=\"2\" number:min-integer-digits=\"1\" number:min-exponent-digits=\"2\"/></number:number-style>\n"
        "<number:currency-style style:name=\"C2\"><number:currency-symbol>$</number:currency-symbol><number:number number:decimal-places=\"2\" number:min-integer-digits=\"1\" number:grouping=\"true\"/></number:currency-style>\n"
        "<number:date-style style:name=\"DI\"><number:year number:style=\"long\"/><number:text>-</number:text><number:month number:style=\"long\"/><number:text>-</number:text><number:day number:style=\"long\"/></number:date-style>\n"
        "<number:date-style style:name=\"DU\"><number:month number:style=\"long\"/><number:text>/</number:text><number:day number:style=\"long\"/><number:text>/</number:text><number:year number:style=\"long\"/></number:date-style>\n"
        "<number:time-style style:name=\"TM\"><number:hours number:style=\"long\"/><number:text>:</number:text><number:minutes number:style=\"long\"/></number:time-style>\n";
    for (const auto& [style, format] : STYLES) {
      xml += "<style:style style:name=\"" + std::string(style) + "\" style:family=\"table-cell\" style:data-style-name=\"" +
             format + "\"/>\n";
    }
    xml += "</office:automatic-styles>\n<office:body><office:spreadsheet>\n";
    for (const auto& [name, cells] : sheets_) {
      xml += "<table:table table:name=\"" + Escape(name) + "\">\n";
      std::int32_t row = 0;
      std::int32_t column = 0;
      bool open = false;
      for (const auto& [position, cell] : cells) {
        if (position.first != row) {
          if (open) xml += "</table:table-row>\n";
          if (position.first > row + 1) {
            xml += "<table:table-row table:number-rows-repeated=\"" + std::to_string(position.first - row - 1) +
                   "\"><table:table-cell/></table:table-row>\n";
          }
          xml += "<table:table-row>";
          open = true;
          row = position.first;
          column = 0;
        }
        if (position.second > column + 1) {
          xml += "<table:table-cell table:number-columns-repeated=\"" + std::to_string(position.second - column - 1) +
                 "\"/>";
        }
        xml += CellXml(cell);
        column = position.second;
      }
      if (open) xml += "</table:table-row>\n";
      if (cells.empty()) xml += "<table:table-row><table:table-cell/></table:table-row>\n";
      xml += "</table:table>\n";
    }
    xml += "</office:spreadsheet></office:body></office:document>\n";
    return xml;
  }

 private:
  using Cells = std::map<std::pair<std::int32_t, std::int32_t>, FodsCell>;

  static constexpr std::pair<const char*, const char*> STYLES[] = {
      {"cN2", "N2"}, {"cN0", "N0"}, {"cNT", "NT"}, {"cP0", "P0"}, {"cE2", "E2"},
      {"cC2", "C2"}, {"cDI", "DI"}, {"cDU", "DU"}, {"cTM", "TM"},
  };

  static const char* StyleOf(Shown shown) {
    switch (shown) {
      case Shown::TwoDecimals: return "cN2";
      case Shown::NoDecimals: return "cN0";
      case Shown::Thousands: return "cNT";
      case Shown::Percent: return "cP0";
      case Shown::Scientific: return "cE2";
      case Shown::Currency: return "cC2";
      case Shown::IsoDate: return "cDI";
      case Shown::UsDate: return "cDU";
      case Shown::Time: return "cTM";
      case Shown::General: break;
    }
    return nullptr;
  }

  static std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
      }
    }
    return out;
  }

  static std::string CellXml(const FodsCell& cell) {
    std::string xml = "<table:table-cell";
    if (const char* style = StyleOf(cell.shown)) xml += std::string(" table:style-name=\"") + style + "\"";
    char value[40];
    std::snprintf(value, sizeof value, "%.17g", cell.number);
    switch (cell.kind) {
      case FodsCell::Kind::Number: {
        const char* type = cell.shown == Shown::Percent    ? "percentage"
                           : cell.shown == Shown::Currency ? "currency"
                                                           : "float";
        xml += std::string(" office:value-type=\"") + type + "\" office:value=\"" + value + "\"";
        if (cell.shown == Shown::Currency) xml += " office:currency=\"USD\"";
        return xml + "/>";
      }
      case FodsCell::Kind::Date:
        return xml + " office:value-type=\"date\" office:date-value=\"" + cell.content + "\"/>";
      case FodsCell::Kind::Time:
        return xml + " office:value-type=\"time\" office:time-value=\"" + cell.content + "\"/>";
      case FodsCell::Kind::Boolean:
        return xml + " office:value-type=\"boolean\" office:boolean-value=\"" +
               (cell.number != 0 ? "true" : "false") + "\"/>";
      case FodsCell::Kind::Formula:
        return xml + " table:formula=\"" + Escape(cell.content) + "\"/>";
      case FodsCell::Kind::Text: {
        // Each line of the text is a paragraph of the cell.
        xml += " office:value-type=\"string\"><text:p>";
        for (char c : cell.content) xml += c == '\n' ? std::string("</text:p><text:p>") : Escape(std::string(1, c));
        return xml + "</text:p></table:table-cell>";
      }
    }
    return xml + "/>";
  }

  std::vector<std::pair<std::string, Cells>> sheets_;
};

}  // namespace gridlet::testing
