// Writes the seed corpora of the fuzz targets from files the engine makes
// itself: a few tab-text sheets, converted to every calculator type
// through the conversion driver, and the pieces the lower targets take
// (sheet data, variables, token bytes, escaped texts).
//
// Usage: make_seeds <folder>; one sub-folder per target is filled.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "calc/named_char_table.h"
#include "encoding/calculator_numbers.h"
#include "encoding/xb_tokens.h"
#include "model/trace.h"
#include "server/conversion_driver.h"
#include "tests/support/in_memory_conversion.h"

namespace {

using namespace gridlet;
namespace fs = std::filesystem;

const char* const kSheets[] = {
    "Item\tAmount\tShare\r\nRent\t850\t=B2/B6\r\nFood\t320.5\t=B3/B6\r\n"
    "Total\t=SUM(B2:B5)\t=IF(B6>1000,1,0)\r\nMean\t=AVERAGE(B2:B5)\t=SQRT(B2)\r\n",
    "1.5\t-3\thello world\t0.50\t007\r\n=average(a1:b1)\t=SQRT(4)\t=-A1\t=2^2\r\n"
    "=IF(A1>0,1,2)\t=A1<=B1\t=A1<>B1\t=A1>=-1\t=MAX(A1,B1)\r\n$12\t-0.25\t=ABS(-2)\r\n",
    "\"quoted \"\"text\"\"\"\t\"=1+2\"\tx_pi_y\t_neg_5\t1E+100\r\n\t\t\tlast\n",
    "a\rb\r\nc\t\t\td\r\n\r\n=A1*B1-C1/D1^2\t=(A1+B1)*(C1-D1)\t=A1=B1\t=A1<B1\r\n",
};

constexpr GRIDLET_FILE_TYPES kCalculatorTypes[] = {QZ_GRIDLET_XBP, QZ_GRIDLET_XC, QZ_GRIDLET_XD,
                                                   QZ_GRIDLET_XF};

void Write(const fs::path& folder, const std::string& name, const std::string& bytes) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string Prefixed(std::uint8_t a, const std::string& bytes) { return std::string(1, char(a)) + bytes; }
std::string Prefixed(std::uint8_t a, std::uint8_t b, const std::string& bytes) {
  return std::string{char(a), char(b)} + bytes;
}

// A variable as the renderer takes it: the big-endian length, then the bytes.
std::string Variable(const std::string& bytes) {
  return std::string{char(bytes.size() >> 8), char(bytes.size() & 0xFF)} + bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
    return 2;
  }
  SetTraceSink(nullptr);
  const fs::path root = argv[1];

  testing::InMemoryConversion world;
  testing::InMemoryFileSystem& files = world.files;
  ConversionDriver& driver = world.driver;

  int made = 0;
  for (std::size_t s = 0; s < std::size(kSheets); ++s) {
    const std::string text = kSheets[s];
    const std::string tag = "sheet" + std::to_string(s);
    Write(root / "text_sheet", tag + ".txt", text);
    Write(root / "workbook_text", tag, std::string(1, static_cast<char>(s & 1)) + text);
    Write(root / "convert", tag + "_txt_to_xbv", Prefixed(0, 1, text));
    Write(root / "convert", tag + "_txt_to_xdy", Prefixed(0, 3, text));
    Write(root / "xb_text_to_tokens", tag, Prefixed(40, text.substr(0, 60)));
    made += 5;

    files.Put("/in/" + tag + ".txt", text);
    for (std::size_t t = 0; t < std::size(kCalculatorTypes); ++t) {
      ConversionRequest request;
      request.inputPath = "/in/" + tag + ".txt";
      request.fromType = QZ_TAB_TEXT;
      request.outputLocation = "/out/";
      request.saveInternalName = "S" + std::to_string(s) + "T" + std::to_string(t);
      request.toType = kCalculatorTypes[t];
      std::optional<std::string> written;
      if (driver.Convert(request, &written) != S_OK || !written) {
        std::fprintf(stderr, "make_seeds: %s did not convert to type %d\n", tag.c_str(),
                     static_cast<int>(request.toType));
        return 1;
      }
      const std::string file = files.files.at(*written);
      const std::string name = tag + "_" + std::to_string(t);
      Write(root / "link_file", name, Prefixed(0, static_cast<std::uint8_t>(t), Prefixed(0, file)));
      Write(root / "convert", name + "_to_txt", Prefixed(static_cast<std::uint8_t>(t + 1), 0, file));
      made += 2;
      if (request.toType == QZ_GRIDLET_XBP) {
        // From the size field through the terminator and its 0x00.
        Write(root / "xb_sheet", name, file.substr(72, file.size() - 74));
        ++made;
      } else if (request.toType == QZ_GRIDLET_XD) {
        Write(root / "sheet68k", name, file.substr(88, file.size() - 90));
        // The whole sheet as one variable; the target adds the length field.
        Write(root / "render68k", name, Prefixed(1, file.substr(88, file.size() - 90)));
        made += 2;
      }
    }
  }

  // Formulas as tokens, and small variables the 68k-class cells hold.
  const char* const formulas[] = {"SUM(A1:B2)+1", "IF(A1>0,SQRT(A1),-A1)", "A1^2*B1/C1-D1",
                                  "AVERAGE(A1:A9)<=3", "\"TEXT [A] _pi_\""};
  for (std::size_t f = 0; f < std::size(formulas); ++f) {
    std::uint8_t tokens[256];
    const std::size_t n = XbTextToTokens(tokens, sizeof tokens, formulas[f]);
    Write(root / "xb_tokens_to_text", "formula" + std::to_string(f),
          std::string(reinterpret_cast<const char*>(tokens), n));
    ++made;
  }
  for (double value : {0.0, -1.5, 3.14159, 1e300, 6.02e23}) {
    std::uint8_t bytes[kFloat68kSize];
    EncodeFloat68k(value, bytes);
    Write(root / "render68k", "float" + std::to_string(made),
          Prefixed(1, std::string(reinterpret_cast<const char*>(bytes), sizeof bytes)));
    ++made;
  }
  // A string variable with its own length field (choice bit 2: taken as it is).
  Write(root / "render68k", "string", Prefixed(5, Variable(std::string("\0hello\0\x2D", 8))));
  ++made;

  // Escaped texts, and the 68k-class bytes of the first named characters.
  std::string specials;
  for (const SpecialCharEntry& entry : NamedCharTable()) {
    if (entry.codes[kColumn68k] != 0 && specials.size() < 40) {
      specials.push_back(static_cast<char>(entry.codes[kColumn68k] & 0xFF));
    }
  }
  Write(root / "char_escape", "bytes", Prefixed(kColumn68k, "x" + specials + "y"));
  Write(root / "char_escape", "names", Prefixed(kColumn68k, "a_pi_b_neg_1__->_c_theta_"));
  made += 2;

  std::printf("make_seeds: %d seed files in %s\n", made, root.c_str());
  return 0;
}
