#include "encoding/render68k.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "encoding/calculator_numbers.h"
#include "encoding/render68k_tables.h"

namespace gridlet {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- Building token streams in memory order ----
// An expression's tag is its last byte; an operator's near operand N stands
// just before the tag and its far operand F before N.

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes Tag(std::uint8_t tag) { return {tag}; }

Bytes Letter(char c) {  // a..q are 0x0B..0x1B, q..z are 0x01..0x0A
  return {static_cast<std::uint8_t>(c >= 'r' ? c - 112 : c - 86)};
}

// Magnitude bytes from a big-endian list: least significant first in memory.
Bytes IntBytes(Bytes bigEndian, bool negative = false) {
  Bytes out(bigEndian.rbegin(), bigEndian.rend());
  out.push_back(static_cast<std::uint8_t>(bigEndian.size()));
  out.push_back(negative ? 0x20 : 0x1F);
  return out;
}

Bytes Int(std::uint64_t value, bool negative = false) {
  Bytes bigEndian;
  for (; value != 0; value >>= 8) bigEndian.insert(bigEndian.begin(), value & 0xFF);
  return IntBytes(bigEndian, negative);
}

Bytes Frac(std::uint8_t num, std::uint8_t den, bool negative = false) {
  return {den, 1, num, 1, static_cast<std::uint8_t>(negative ? 0x22 : 0x21)};
}

Bytes Float(double value) {
  Bytes out(10);
  EncodeFloat68k(value, out.data());
  return out;
}

Bytes Str(std::string_view text, std::uint8_t tag = 0x2D) {
  Bytes out{0};
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
  out.push_back(tag);
  return out;
}

Bytes Name(std::string_view text) {  // a variable name, tag 0x00
  Bytes out{0};
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
  return out;
}

Bytes Near(std::uint8_t tag, const Bytes& nearOperand, const Bytes& farOperand) {
  return Cat({farOperand, nearOperand, Tag(tag)});
}
Bytes Un(std::uint8_t tag, const Bytes& operand) { return Cat({operand, Tag(tag)}); }

// Items: the first item stands nearest the tag, the end tag 0xE5 before all.
Bytes Items(std::initializer_list<Bytes> items, Bytes tag) {
  Bytes out{0xE5};
  for (auto it = std::rbegin(items); it != std::rend(items); ++it) {
    out.insert(out.end(), it->begin(), it->end());
  }
  out.insert(out.end(), tag.begin(), tag.end());
  return out;
}
Bytes List(std::initializer_list<Bytes> items) { return Items(items, {0xD9}); }

Bytes Ext(std::uint8_t code) { return {code, 0xE3}; }
Bytes Cmd(std::uint8_t code) { return {code, 0xE4}; }

Bytes Wrap(const Bytes& body) {
  Bytes out{static_cast<std::uint8_t>(body.size() >> 8), static_cast<std::uint8_t>(body.size())};
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::string Render(const Bytes& body, std::int16_t choice = 0, std::string_view name = {}) {
  const Bytes data = Wrap(body);
  const auto text = RenderVariable68k(name, data.data(), data.size(), choice);
  return text ? *text : std::string("<none>");
}

// The text of one expression, without the line break of the statement loop.
std::string Expr(const Bytes& body) {
  std::string text = Render(body);
  EXPECT_FALSE(text.empty());
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

const Bytes kA = Letter('a'), kB = Letter('b'), kC = Letter('c'), kX = Letter('x');

Bytes Add(const Bytes& f, const Bytes& n) { return Cat({f, n, Tag(0x8B)}); }
Bytes Sub(const Bytes& f, const Bytes& n) { return Cat({f, n, Tag(0x8D)}); }
Bytes Mul(const Bytes& f, const Bytes& n) { return Cat({f, n, Tag(0x8F)}); }
Bytes Div(const Bytes& f, const Bytes& n) { return Cat({f, n, Tag(0x91)}); }
Bytes Pow(const Bytes& base, const Bytes& exponent) { return Near(0x93, base, exponent); }

// ---- Tables ----

TEST(Render68kTables, ClassesAndNamesOfSampleTags) {
  EXPECT_EQ(Tag68kTable[0x00].tagClass, 1);
  EXPECT_EQ(Tag68kTable[0x1B].tagClass, 2);
  EXPECT_EQ(Tag68kTable[0x44].name, "cos");
  EXPECT_EQ(Tag68kTable[0x2F].name, "cosh\xB4");
  EXPECT_EQ(Tag68kTable[0x2D].name, "\"");
  EXPECT_EQ(Tag68kTable[0x93].tagClass, 30);
  EXPECT_TRUE(Tag68kTable[0x7F].name.empty());
  EXPECT_EQ(Tag68kTable[0xF9].name, "rotate");
  EXPECT_EQ(Tag68kSysVarNames[0x21], "\x88" "c");
  EXPECT_TRUE(Tag68kSysVarNames[0x5E].empty());
  EXPECT_EQ(Tag68kSysVarNames[0x71], "ncontour");
  EXPECT_EQ(Tag68kExtNames[0x15], "\x12" "DD");
  EXPECT_TRUE(Tag68kExtNames[0x2B].empty());
  EXPECT_EQ(Tag68kCommands[0x4B].formClass, 51);
  EXPECT_EQ(Tag68kCommands[0x97].name, "SendChat ");
  EXPECT_TRUE(Tag68kCommands[0x36].name.empty());
}

// ---- Edge cases of the format ----

TEST(Render68k, FloatIsInCalculatorCharsetEvenInPlainMode) {
  EXPECT_EQ(Render(Float(-2.5), 0), "\xAD" "2.5\n");
  EXPECT_EQ(Render(Float(3), 0), "3.\n");
}

TEST(Render68k, ListsAndDataVariablesFollowTheCharsetChoice) {
  const Bytes list = List({Int(1, true), Frac(1, 2, true)});
  EXPECT_EQ(Render(list, 0), "-1,-1/2\n");
  EXPECT_EQ(Render(list, -1), "{-1,-1/2}\n");
  EXPECT_EQ(Render(list, 1), "{\xAD" "1,\xAD" "1/2}\n");
}

TEST(Render68k, Integers) {
  EXPECT_EQ(Render(Int(0)), "0\n");
  EXPECT_EQ(Render(Int(0, true)), "0\n");  // no sign on a zero length
  EXPECT_EQ(Render(Int(5, true)), "\xAD" "5\n");
  EXPECT_EQ(Expr(Int(258)), "258");
  EXPECT_EQ(Expr(Int(0xFFFFFFFFFFFFFFFFull)), "18446744073709551615");
  // 2^128: seventeen magnitude bytes.
  Bytes two128(17, 0);
  two128[0] = 1;
  EXPECT_EQ(Expr(IntBytes(two128)), "340282366920938463463374607431768211456");
  // Leading zero bytes of the magnitude do not show.
  EXPECT_EQ(Expr(IntBytes({0, 0, 7})), "7");
}

TEST(Render68k, LongestIntegerInDecimalAndHexadecimal) {
  const Bytes all(255, 0xFF);  // 2^2040 - 1
  const std::string decimal = Expr(IntBytes(all));
  EXPECT_EQ(decimal.size(), 615u);
  EXPECT_EQ(decimal.back(), '5');
  EXPECT_EQ(decimal.substr(0, 6), "126238");
  EXPECT_EQ(Expr(Cat({IntBytes(all), Ext(0x2C)})), "0h" + std::string(510, 'F'));
}

TEST(Render68k, IntegersInOtherBases) {
  EXPECT_EQ(Expr(Cat({Int(5), Ext(0x2B)})), "0b101");
  EXPECT_EQ(Expr(Cat({Int(0x1A2B), Ext(0x2C)})), "0h1A2B");
  EXPECT_EQ(Expr(Cat({Int(10, true), Ext(0x2C)})), "\xAD" "0hA");
  EXPECT_EQ(Expr(Cat({Int(0), Ext(0x2B)})), "0b0");
}

TEST(Render68k, Fractions) {
  EXPECT_EQ(Expr(Frac(3, 4)), "3/4");
  EXPECT_EQ(Expr(Frac(1, 2, true)), "\xAD" "1/2");
  EXPECT_EQ(Expr(Add(Frac(1, 2), kX)), "1/2+x");
}

TEST(Render68k, StringsDoubleTheirQuotes) {
  EXPECT_EQ(Render(Str("say \"hi\"")), "\"say \"\"hi\"\"\"\n");
  EXPECT_EQ(Render(Str("")), "\"\"\n");
}

TEST(Render68k, VariablesLettersAndConstants) {
  EXPECT_EQ(Render({0x0B}), "a\n");
  EXPECT_EQ(Render({0x0A}), "z\n");
  EXPECT_EQ(Expr({0x01}), "q");
  EXPECT_EQ(Expr({0x1B}), "q");
  EXPECT_EQ(Expr(Name("total")), "total");
  EXPECT_EQ(Expr(Cat({Name("tmp"), Tag(0xF0)})), "tmp");
  EXPECT_EQ(Expr(Cat({kX, Tag(0xF0)})), "x");
  EXPECT_EQ(Expr({0x24}), "\x8C");
  EXPECT_EQ(Expr({0x27}), "\xAD\xBE");
  EXPECT_EQ(Expr({0x2A}), "undef");
  EXPECT_EQ(Expr({0x2C}), "true");
  EXPECT_EQ(Expr({0x2E}), "");
  EXPECT_EQ(Expr({5, 0x1D}), "@5");
  EXPECT_EQ(Expr({3, 0x1E}), "@n3");
  EXPECT_EQ(Expr({0x26, 0x1C}), "xmin");
  EXPECT_EQ(Expr({0x5E, 0x1C}), "_ERROR_");
  EXPECT_EQ(Expr({0x90, 0x1C}), "_ERROR_");
}

TEST(Render68k, TagWithoutRuleWritesMarkAndGoesOn) {
  EXPECT_EQ(Render(List({Tag(0x32), Int(1)}), 1), "{\x0E,1}\n");
  EXPECT_EQ(Expr(Add(kA, Tag(0xFA))), "a+\x0E");
  EXPECT_EQ(Expr(Cat({kX, Tag(0x7E)})), "\x0E");  // the walk stops: x is no separator
  EXPECT_EQ(Expr(Cat({kX, Ext(0x1B)})), "\x0E");
}

// ---- Operators and their parentheses ----

TEST(Render68kOperators, SumsAndDifferences) {
  EXPECT_EQ(Expr(Add(kA, kB)), "a+b");
  EXPECT_EQ(Expr(Add(Add(kA, kB), kC)), "a+b+c");
  EXPECT_EQ(Expr(Add(kA, Add(kB, kC))), "a+b+c");
  EXPECT_EQ(Expr(Sub(kA, Add(kB, kC))), "a-(b+c)");
  EXPECT_EQ(Expr(Sub(Add(kA, kB), kC)), "a+b-c");
  EXPECT_EQ(Expr(Add(Near(0x85, kA, kB), kC)), "(a<b)+c");
  EXPECT_EQ(Expr(Add(kC, Un(0x79, kA))), "c+(not a)");
  EXPECT_EQ(Expr(Cat({kA, kB, Tag(0x8C)})), "a .+ b");
  EXPECT_EQ(Expr(Cat({kA, Add(kB, kC), Tag(0x8E)})), "a .- (b+c)");
  EXPECT_EQ(Expr(Cat({kA, kB, Tag(0xEB)})), "a+-b");
}

TEST(Render68kOperators, ProductsAndQuotients) {
  EXPECT_EQ(Expr(Mul(Add(kA, kB), kC)), "(a+b)*c");
  EXPECT_EQ(Expr(Mul(kA, Add(kB, kC))), "a*(b+c)");
  EXPECT_EQ(Expr(Mul(kA, Int(2, true))), "a*(\xAD" "2)");
  EXPECT_EQ(Expr(Mul(kA, Frac(1, 2, true))), "a*(\xAD" "1/2)");
  EXPECT_EQ(Expr(Mul(kA, Float(-1.5))), "a*(\xAD" "1.5)");
  EXPECT_EQ(Expr(Mul(kA, Float(1.5))), "a*1.5");
  EXPECT_EQ(Expr(Mul(kA, Div(kB, kC))), "a*(b/c)");
  EXPECT_EQ(Expr(Mul(Int(2, true), kA)), "\xAD" "2*a");
  EXPECT_EQ(Expr(Cat({kA, kB, Tag(0x90)})), "a .* b");
  EXPECT_EQ(Expr(Div(kA, kB)), "a/b");
  EXPECT_EQ(Expr(Div(kA, Int(2, true))), "a/\xAD" "2");
  EXPECT_EQ(Expr(Div(kA, Pow(kB, kC))), "a/b^c");
  EXPECT_EQ(Expr(Div(kA, Mul(kB, kC))), "a/(b*c)");
  EXPECT_EQ(Expr(Div(Add(kA, kB), kC)), "(a+b)/c");
  EXPECT_EQ(Expr(Div(kA, Cat({kB, Tag(0x44)}))), "a/(cos(b))");
}

TEST(Render68kOperators, Powers) {
  EXPECT_EQ(Expr(Pow(kX, Int(2))), "x^2");
  EXPECT_EQ(Expr(Pow(Add(kA, kB), Int(2))), "(a+b)^2");
  EXPECT_EQ(Expr(Pow(kX, Add(kA, kB))), "x^(a+b)");
  EXPECT_EQ(Expr(Pow(Int(2, true), kX)), "(\xAD" "2)^x");
  EXPECT_EQ(Expr(Pow(kX, Int(2, true))), "x^\xAD" "2");
  EXPECT_EQ(Expr(Pow(Tag(0x24), kX)), "\x8C^x");
  EXPECT_EQ(Expr(Pow(kX, Pow(kA, kB))), "x^(a^b)");
  EXPECT_EQ(Expr(Near(0x94, kX, Int(2))), "x .^ 2");
  EXPECT_EQ(Expr(Un(0x52, kX)), "\x96^x");
  EXPECT_EQ(Expr(Un(0x52, Add(kX, Int(1)))), "\x96^(x+1)");
}

TEST(Render68kOperators, PostfixAndPrefix) {
  EXPECT_EQ(Expr(Un(0x76, kX)), "x!");
  EXPECT_EQ(Expr(Un(0x76, Int(5))), "5!");
  EXPECT_EQ(Expr(Un(0x76, Un(0x76, kX))), "x!!");
  EXPECT_EQ(Expr(Un(0x76, Add(kA, kB))), "(a+b)!");
  EXPECT_EQ(Expr(Un(0x77, Int(5, true))), "(\xAD" "5)%");
  EXPECT_EQ(Expr(Un(0xEF, kX)), "x'");
  EXPECT_EQ(Expr(Un(0x75, kX)), "x\x99");
  EXPECT_EQ(Expr(Un(0x75, List({List({Int(1), Int(2)})}))), "[[1,2]]\x99");
  EXPECT_EQ(Expr(Un(0x75, List({Int(1)}))), "({1})\x99");
  EXPECT_EQ(Expr(Un(0x79, kX)), "not x");
  EXPECT_EQ(Expr(Un(0x79, Near(0x84, kA, kB))), "not (a and b)");
  EXPECT_EQ(Expr(Un(0x7A, kX)), "\xAD" "x");
  EXPECT_EQ(Expr(Un(0x7A, Add(kA, kB))), "\xAD(a+b)");
  EXPECT_EQ(Expr(Un(0x7A, Mul(kA, kB))), "\xAD" "a*b");
  EXPECT_EQ(Expr(Un(0xEA, Sub(kA, kB))), "+-(a-b)");
}

TEST(Render68kOperators, LogicComparisonsStoreAndWith) {
  EXPECT_EQ(Expr(Near(0x85, kA, kB)), "a<b");
  EXPECT_EQ(Expr(Near(0x86, kA, kB)), "a\x9C" "b");
  EXPECT_EQ(Expr(Near(0x87, Near(0x89, kA, kB), kC)), "(a>b)=c");
  EXPECT_EQ(Expr(Near(0x84, kA, kB)), "a and b");
  EXPECT_EQ(Expr(Near(0x84, Near(0x83, kA, kB), kC)), "(a or b) and c");
  EXPECT_EQ(Expr(Near(0x83, Near(0x84, kA, kB), kC)), "a and b or c");
  EXPECT_EQ(Expr(Near(0x82, Near(0x83, kA, kB), kC)), "a or b xor c");
  EXPECT_EQ(Expr(Cat({Int(5), kX, Tag(0x80)})), "5\x16x");
  EXPECT_EQ(Expr(Near(0x81, kX, Near(0x87, kA, Int(1)))), "x|a=1");
  EXPECT_EQ(Expr(Near(0x81, Cat({Int(5), kX, Tag(0x80)}), kA)), "(5\x16x)|a");
  EXPECT_EQ(Expr(Near(0x7F, kA, kB)), "a_ERROR_b");
}

TEST(Render68kOperators, FunctionsOfOneTwoAndManyArguments) {
  EXPECT_EQ(Expr(Un(0x45, kX)), "sin(x)");
  EXPECT_EQ(Expr(Un(0x3B, Add(kX, Int(1)))), "cos\xB4(x+1)");
  EXPECT_EQ(Expr(Un(0x41, kX)), "_ERROR_(x)");
  EXPECT_EQ(Expr(Near(0x96, Near(0x87, kX, Int(2)), kX)), "solve(x=2,x)");
  EXPECT_EQ(Expr(Near(0xA4, Int(7), Int(3))), "mod(7,3)");
  EXPECT_EQ(Expr(Items({Int(1), Int(2), kX}, {0xD8})), "max(1,2,x)");
  EXPECT_EQ(Expr(Items({}, {0xD6})), "rand()");
  EXPECT_EQ(Expr(Cat({Items({Int(1), Int(2)}, Name("f")), Tag(0xDA)})), "f(1,2)");
  EXPECT_EQ(Expr(Items({Int(1)}, {0xDB})), "[(1)");
}

TEST(Render68kOperators, Indexing) {
  EXPECT_EQ(Expr(Cat({Items({Int(1), Int(2)}, Name("m")), Tag(0xD5)})), "m[1,2]");
  EXPECT_EQ(Expr(Cat({Items({Int(1)}, Add(kA, kB)), Tag(0xD5)})), "(a+b)[1]");
  const Bytes inner = Cat({Items({Int(1)}, Name("m")), Tag(0xD5)});
  EXPECT_EQ(Expr(Cat({Items({Int(2)}, inner), Tag(0xD5)})), "(m[1])[2]");
}

TEST(Render68kOperators, NestedExpression) {
  // (a+b)*sin(x)^2 - 3/4
  const Bytes e = Sub(Mul(Add(kA, kB), Pow(Un(0x45, kX), Int(2))), Frac(3, 4));
  EXPECT_EQ(Expr(e), "(a+b)*(sin(x))^2-3/4");
}

// ---- Two-byte tags ----

TEST(Render68kTwoByteTags, ExtendedFunctions) {
  EXPECT_EQ(Expr(Cat({kX, Ext(0x01)})), "#x");
  EXPECT_EQ(Expr(Cat({Str("v"), Ext(0x01)})), "#\"v\"");
  EXPECT_EQ(Expr(Cat({Add(kA, kB), Ext(0x01)})), "#(a+b)");
  EXPECT_EQ(Expr(Ext(0x02)), "getKey()");
  EXPECT_EQ(Expr(Cat({Items({Str("a"), kX}, {}), Ext(0x13)})), "inString(\"a\",x)");
  EXPECT_EQ(Expr(Cat({kA, kB, Ext(0x14)})), "a&b");
  EXPECT_EQ(Expr(Cat({Str("a"), Ext(0x06)})), "ord(\"a\")");
  EXPECT_EQ(Expr(Cat({Int(2), Int(1), Ext(0x0D)})), "ptTest(1,2)");
  EXPECT_EQ(Expr(Cat({kX, Ext(0x15)})), "x\x12" "DD");
  EXPECT_EQ(Expr(Cat({Add(kA, kB), Ext(0x16)})), "(a+b)\x12" "DMS");
  EXPECT_EQ(Expr(Cat({List({List({Int(1)})}), Ext(0x17)})), "[[1]]\x12Rect");
  EXPECT_EQ(Expr(Cat({kA, kB, Ext(0x26)})), "(a \x9F b)");
  EXPECT_EQ(Expr(Cat({kX, Ext(0x2D)})), "x\x12" "Bin");
  EXPECT_EQ(Expr(Cat({kB, kA, Ext(0x35)})), "augment(a;b)");
  EXPECT_EQ(Expr(Cat({kX, Ext(0x33)})), "\x0E");
}

TEST(Render68kTwoByteTags, Commands) {
  EXPECT_EQ(Expr(Cmd(0x03)), "ClrHome");
  EXPECT_EQ(Expr(Cat({Items({Int(1), kX}, {}), Cmd(0x7A)})), "Disp 1,x");
  EXPECT_EQ(Expr(Cat({Name("top"), Cmd(0x2F)})), "Goto top");
  EXPECT_EQ(Expr(Cat({Near(0x89, kX, Int(1)), Cmd(0x3B)})), "If x>1 Then");
  EXPECT_EQ(Expr(Cat({kX, Cmd(0x39)})), "ElseIf x Then");
  EXPECT_EQ(Expr(Cat({kX, Cmd(0x3A)})), "If x");
  EXPECT_EQ(Expr(Cmd(0x87)), " Else");
  EXPECT_EQ(Expr(Cat({Int(2), Int(1), Cmd(0x47)})), "PtOn 1,2");
  EXPECT_EQ(Expr(Cat({Int(3), Int(2), Str("a"), Cmd(0x4E)})), "PtText \"a\",2,3");
  EXPECT_EQ(Expr(Cat({Pow(kX, Int(2)), Name("f"), Cmd(0x86)})), "Define f=x^2");
  EXPECT_EQ(Expr(Cmd(0x36)), "_ERROR_");
  EXPECT_EQ(Expr(Cmd(0xA0)), "_ERROR_");
}

TEST(Render68kTwoByteTags, JumpOffsetsOfLoopEndsAreSkipped) {
  // EndWhile carries two offset bytes; then the walk meets the separator.
  const Bytes body = Cat({Cmd(0x03), Bytes{2, 0xE8}, Bytes{0x12, 0x34}, Cmd(0x15)});
  EXPECT_EQ(Render(body), "EndWhile\n  ClrHome\n");
}

TEST(Render68kForms, VectorsDegreesAndPrimes) {
  const Bytes polar = Un(0x7B, List({List({Int(2), Int(3)})}));
  EXPECT_EQ(Expr(polar), "[2,\x9F" "3]");
  EXPECT_EQ(Expr(Un(0x7C, List({List({Int(2), Int(3), Int(4)})}))), "[2,\x9F" "3,4]");
  EXPECT_EQ(Expr(Un(0x7D, List({List({Int(2), Int(3), Int(4)})}))), "[2,\x9F" "3,\x9F" "4]");
  EXPECT_EQ(Expr(Items({Int(12), Int(30), Int(15)}, {0xCD})), "12\xB0" "30'15\"");
  EXPECT_EQ(Expr(Items({Int(12)}, {0xCD})), "12\xB0");
  EXPECT_EQ(Expr(Cat({Int(2), Letter('y'), Tag(0xF2)})), "y''");
  EXPECT_EQ(Expr(Cat({kX, Letter('y'), Tag(0xF2)})), "y'(x)");
}

// ---- Lists and matrices ----

TEST(Render68kLists, PlainAndBracketedLists) {
  const Bytes list = List({Int(1), Int(2), Int(3)});
  EXPECT_EQ(Render(list, 0), "1,2,3\n");
  EXPECT_EQ(Render(list, 1), "{1,2,3}\n");
  EXPECT_EQ(Render(List({}), 1), "{}\n");
  EXPECT_EQ(Render(List({Int(1), List({Int(2), Int(3)})}), 1), "{1,{2,3}}\n");
  EXPECT_EQ(Render(List({Str("a"), kX}), 0), "\"a\",x\n");
}

TEST(Render68kLists, MatricesInEachMode) {
  const Bytes matrix = List({List({Int(1), Int(2)}), List({Int(3), Int(4)})});
  EXPECT_EQ(Render(matrix, 0), "1,2\n3,4\n\n");
  EXPECT_EQ(Render(matrix, 1), "[\n[1,2]\n[3,4]\n]\n");
  EXPECT_EQ(Render(matrix, -1), "[[1,2][3,4]]\n");
  // Inside an expression the modes of other types apply: brackets, no breaks.
  EXPECT_EQ(Expr(Mul(kA, matrix)), "a*[[1,2][3,4]]");
}

// ---- Statements, programs and text ----

TEST(Render68kStatements, SeparatorsIndentationAndComments) {
  // x:y, then on a new line indented by 2, a comment after z.
  const Bytes comment = Cat({Str("note", 1), Bytes{0xE6}});  // 00 note 00 k E6
  const Bytes body = Cat({comment, Letter('z'), Bytes{2, 0xE8}, Letter('y'), Bytes{0, 0xE7}, kX});
  EXPECT_EQ(Render(body), "x:y\n  z \xA9note\n");
}

TEST(Render68kStatements, ExpressionTagsAboveTheSeparatorsAreRendered) {
  EXPECT_EQ(Render(Un(0xEF, kX)), "x'\n");
  EXPECT_EQ(Render(Un(0xF4, Int(7))), "IsPrime(7)\n");
  EXPECT_EQ(Render({0xF8}), "\n");
  EXPECT_EQ(Render({0xFF}), "\n");
}

Bytes ProgramBody() {
  // Prgm / Disp x (indented 2) / EndPrgm, parameter x.
  const Bytes disp = Cat({Items({kX}, {}), Cmd(0x7A)});
  return Cat({Cmd(0x12), Bytes{0, 0xE8}, disp, Bytes{2, 0xE8}, Cmd(0x19),
              Items({kX}, {}), Bytes{0, 0, 0x00, 0xDC}});
}

TEST(Render68kPrograms, TokenizedProgram) {
  EXPECT_EQ(Render(ProgramBody(), 1, "show"), "show(x)\nPrgm\n  Disp x\nEndPrgm\n");
  EXPECT_EQ(Render(ProgramBody(), 0, "show"), "(x)\nPrgm\n  Disp x\nEndPrgm\n");
}

TEST(Render68kPrograms, ProgramStoredAsText) {
  const std::string text = "(a)\r:Prgm\r:EndPrgm";
  Bytes body{0, 0};
  body.insert(body.end(), text.begin(), text.end());
  body.insert(body.end(), {0, 0x00, 0x00, 0x08, 0xDC});
  EXPECT_EQ(Render(body, 1, "p"), "p(a)\n:Prgm\n:EndPrgm");
}

TEST(Render68kPrograms, TextVariableAndOtherTypes) {
  const std::string text = " hello\rCcmd\r";
  Bytes body{0, 0};
  body.insert(body.end(), text.begin(), text.end());
  body.insert(body.end(), {0, 0xE0});
  EXPECT_EQ(Render(body), " :hello\nC:cmd\n");
  EXPECT_EQ(Render({0xDF}), "");
  EXPECT_EQ(Render({0xE1}), "");
  EXPECT_EQ(Render({0xDD}, 1, "stats"),
            "Data Variable: stats\nColumn Data\nFormula Data\nData Column Titles\n");
  EXPECT_EQ(Render({0xDE}, 0, "gdb"),
            "Graph Database: \nRange Settings\nGraph Formats\nGraph Equations\n"
            "Graph-Table Settings\n");
}

// ---- The walker itself ----

TEST(Renderer68kWalk, SkipFindsTheSameEndAsRenderAndWritesNothing) {
  const Bytes e = Cat({Int(9), Sub(Mul(Add(kA, kB), Str("s\"t")), Float(2.5))});
  Renderer68k skipper(e, {});
  Renderer68k renderer(e, {});
  const std::ptrdiff_t tag = skipper.TagPosition();
  const std::ptrdiff_t skipped = skipper.SkipExpression68k(tag);
  EXPECT_TRUE(skipper.Text().empty());
  EXPECT_EQ(renderer.RenderExpression68k(tag), skipped);
  EXPECT_EQ(renderer.Text(), "(a+b)*\"s\"\"t\"-2.5");
  // The integer 9 (three bytes) stands before: its tag is the next expression.
  EXPECT_EQ(skipped, 2 + 2);
  EXPECT_EQ(renderer.RenderExpression68k(skipped), 1);
  EXPECT_EQ(renderer.Text(), "(a+b)*\"s\"\"t\"-2.5" "9");
}

// ---- Damaged and hostile data ----

TEST(Render68kHostile, BadLengthsAreRefused) {
  EXPECT_FALSE(RenderVariable68k({}, nullptr, 0, 0).has_value());
  const Bytes one{0};
  EXPECT_FALSE(RenderVariable68k({}, one.data(), one.size(), 0).has_value());
  const Bytes past{0, 5, 0x1F};
  EXPECT_FALSE(RenderVariable68k({}, past.data(), past.size(), 0).has_value());
  // The largest length the field can state fits the work area.
  Bytes largest(2 + 0xFFFF, 0x0B);
  largest[0] = largest[1] = 0xFF;
  EXPECT_EQ(RenderVariable68k({}, largest.data(), largest.size(), 0), std::string("a\n"));
  EXPECT_FALSE(RenderVariable68k({}, largest.data(), largest.size() - 1, 0).has_value());
  const Bytes empty{0, 0};
  EXPECT_EQ(RenderVariable68k({}, empty.data(), empty.size(), 0), std::string("\n"));
}

TEST(Render68kHostile, WalksThatRunOffTheStartEndCleanly) {
  // Numbers whose bytes run off the start are cut off and end the walk.
  EXPECT_EQ(Render({0xC8, 0x1F}), "\n");  // 200 magnitude bytes claimed
  EXPECT_EQ(Render(Cat({Bytes{1, 7, 0x1F}, kA, Tag(0x8B)})), "+a\n");
  EXPECT_EQ(Render({0x01, 0x23}), "\n");  // a float without its bytes
  EXPECT_EQ(Render({1, 5, 1, 0x21}), "\n");  // a fraction without its denominator
  EXPECT_EQ(Render({0x1C}), "\n");
  EXPECT_EQ(Render({'a', 'b', 0x2D}), "\"ab\"\n");   // string without its zeros
  EXPECT_EQ(Render({'a', 'b', 0x00}), "ab\n");       // name without a leading zero
  EXPECT_EQ(Render(Cat({Int(1), Bytes{0xD9}}), 1), "{1}\n");  // list without its end tag
  EXPECT_EQ(Render({0x8B}), "+\n");                 // operator without operands
  EXPECT_EQ(Render({0xE6}), "\xA9\n");
  EXPECT_EQ(Render({0x0B, 0x00, 0xE8}), "\na\n");   // separator at the very start
  EXPECT_EQ(Render({0xE8}), "\n\n");
  EXPECT_EQ(Render({0xDC}, 1, "p"), "p()\n\n");
  EXPECT_EQ(Render({0x08, 0xDC}, 1, "p"), "p");
}

// The walker directly: the length field of a variable cannot state a
// stream this long.
std::string Walk(const Bytes& stream) {
  Renderer68k renderer(stream, {});
  renderer.RenderStatements(renderer.TagPosition());
  return renderer.TakeText();
}

TEST(Render68kHostile, DeepNestingEndsAtTheDepthLimit) {
  Bytes negations = kX;
  negations.insert(negations.end(), 100000, 0x7A);
  EXPECT_EQ(Walk(negations), std::string(kRender68kMaxDepth, '\xAD') + "\x0E\n");
  EXPECT_EQ(Render(Bytes(negations.end() - 60000, negations.end())),
            std::string(kRender68kMaxDepth, '\xAD') + "\x0E\n");

  // Left-deep sums: every level skips its near operand first.
  Bytes sum = kA;
  for (int i = 0; i < 50000; ++i) sum.insert(sum.end(), {kB[0], 0x8B});
  const std::string sumText = Walk(sum);
  EXPECT_NE(sumText.find('\x0E'), std::string::npos);
  EXPECT_LT(sumText.size(), 10000u);

  // Right-deep differences: b-(b-(b-...)), the skip itself runs deep.
  Bytes diff(50000, kB[0]);
  diff.push_back(kA[0]);
  diff.insert(diff.end(), 50000, 0x8D);
  const std::string diffText = Walk(diff);
  EXPECT_NE(diffText.find('\x0E'), std::string::npos);
  EXPECT_LT(diffText.size(), 10000u);

  const std::string listText = Walk(Bytes(100000, 0xD9));
  EXPECT_NE(listText.find('\x0E'), std::string::npos);
  EXPECT_LT(listText.size(), 10000u);
}

TEST(Render68kHostile, NestingJustBelowTheLimitRendersWhole) {
  Bytes negations = kX;
  negations.insert(negations.end(), kRender68kMaxDepth - 1, 0x7A);
  EXPECT_EQ(Render(negations), std::string(kRender68kMaxDepth - 1, '\xAD') + "x\n");
}

TEST(Render68kHostile, OutputIsBounded) {
  // Every separator indents by 255: far more text than the limit allows.
  Bytes body;
  for (int i = 0; i < 32000; ++i) body.insert(body.end(), {0xFF, 0xE8});
  body.push_back(0x0B);
  const std::string text = Render(body);
  EXPECT_LE(text.size(), kRender68kMaxOutput);
  EXPECT_GT(text.size(), kRender68kMaxOutput - 300);
  EXPECT_EQ(text.substr(0, 3), "a\n ");
}

TEST(Render68kHostile, RandomBytesNeverBreakTheRenderer) {
  std::mt19937 random(68);
  for (int round = 0; round < 400; ++round) {
    Bytes body(1 + random() % 600);
    for (auto& byte : body) byte = static_cast<std::uint8_t>(random());
    // Bias towards structure: operators, lists, end tags and separators.
    for (auto& byte : body) {
      if (random() % 4 == 0) {
        static constexpr std::uint8_t kTags[] = {0xD9, 0xE5, 0x8B, 0x8F, 0x93, 0xE4, 0xE3, 0xE8,
                                                 0x1F, 0x2D, 0x00, 0xD5, 0xDA, 0xE6, 0x7B, 0xF2};
        byte = kTags[random() % std::size(kTags)];
      }
    }
    for (std::int16_t choice : {0, 1, -1}) {
      const Bytes data = Wrap(body);
      const auto text = RenderVariable68k("n", data.data(), data.size(), choice);
      ASSERT_TRUE(text.has_value());
      EXPECT_LE(text->size(), kRender68kMaxOutput);
    }
  }
}

}  // namespace
}  // namespace gridlet
