#include "registry_script.h"

#include <cctype>
#include <optional>

namespace gridlet::win32 {

namespace {

struct Token {
  enum class Kind { Word, Quoted, OpenBrace, CloseBrace, Equals, End };
  Kind kind = Kind::End;
  std::string text;
  std::size_t line = 1;
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    SkipSpace();
    Token token;
    token.line = line_;
    if (pos_ >= text_.size()) return token;
    if (text_[pos_] == '\'') {
      token.kind = Token::Kind::Quoted;
      token.text = ReadQuoted();
      return token;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
    token.text = std::string(text_.substr(start, pos_ - start));
    if (token.text == "{") token.kind = Token::Kind::OpenBrace;
    else if (token.text == "}") token.kind = Token::Kind::CloseBrace;
    else if (token.text == "=") token.kind = Token::Kind::Equals;
    else token.kind = Token::Kind::Word;
    return token;
  }

 private:
  static bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
  }

  std::string ReadQuoted() {
    const std::size_t line = line_;
    std::string text;
    ++pos_;  // the opening quote
    for (;;) {
      if (pos_ >= text_.size()) throw RegistryScriptError("unterminated quoted string", line);
      const char c = text_[pos_++];
      if (c == '\'') {
        if (pos_ < text_.size() && text_[pos_] == '\'') {
          text.push_back('\'');
          ++pos_;
          continue;
        }
        return text;
      }
      if (c == '\n') ++line_;
      text.push_back(c);
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : lexer_(text) { Advance(); }

  RegistryScript Parse() {
    RegistryScript script;
    while (current_.kind != Token::Kind::End) {
      if (current_.kind != Token::Kind::Word ||
          !(EqualsNoCase(current_.text, "HKCR") || EqualsNoCase(current_.text, "HKEY_CLASSES_ROOT")))
        throw RegistryScriptError("expected HKCR, found '" + current_.text + "'", current_.line);
      Advance();
      Expect(Token::Kind::OpenBrace, "'{'");
      while (current_.kind != Token::Kind::CloseBrace) script.keys.push_back(ParseKey());
      Advance();
    }
    return script;
  }

 private:
  void Advance() { current_ = lexer_.Next(); }

  void Expect(Token::Kind kind, const char* what) {
    if (current_.kind != kind) {
      const std::string found = current_.kind == Token::Kind::End ? "the end" : "'" + current_.text + "'";
      throw RegistryScriptError(std::string("expected ") + what + ", found " + found, current_.line);
    }
    Advance();
  }

  std::string Name(const char* what) {
    if (current_.kind != Token::Kind::Word && current_.kind != Token::Kind::Quoted)
      throw RegistryScriptError(std::string("expected ") + what, current_.line);
    std::string name = current_.text;
    if (name.empty() || name.find('\\') != std::string::npos)
      throw RegistryScriptError("'" + name + "' is no key or value name", current_.line);
    Advance();
    return name;
  }

  RegistryValue Value(std::string name) {
    RegistryValue value;
    value.name = std::move(name);
    if (current_.kind != Token::Kind::Word) throw RegistryScriptError("expected a value type", current_.line);
    const std::string type = current_.text;
    const std::size_t line = current_.line;
    Advance();
    if (current_.kind != Token::Kind::Quoted) throw RegistryScriptError("expected a quoted value", line);
    const std::string text = current_.text;
    Advance();
    if (EqualsNoCase(type, "s")) {
      value.kind = RegistryValue::Kind::String;
      value.text = text;
    } else if (EqualsNoCase(type, "d")) {
      value.kind = RegistryValue::Kind::Number;
      value.number = ParseNumber(text, line);
    } else {
      throw RegistryScriptError("unknown value type '" + type + "'", line);
    }
    return value;
  }

  static std::uint32_t ParseNumber(const std::string& text, std::size_t line) {
    std::uint64_t number = 0;
    std::size_t i = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      base = 16;
      i = 2;
    }
    if (i >= text.size()) throw RegistryScriptError("'" + text + "' is no number", line);
    for (; i < text.size(); ++i) {
      const int c = std::tolower(static_cast<unsigned char>(text[i]));
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (digit < 0) throw RegistryScriptError("'" + text + "' is no number", line);
      number = number * base + digit;
      if (number > 0xFFFFFFFFu) throw RegistryScriptError("'" + text + "' is out of range", line);
    }
    return static_cast<std::uint32_t>(number);
  }

  std::optional<RegistryScriptKey::Flag> Flag() {
    if (current_.kind != Token::Kind::Word) return std::nullopt;
    if (EqualsNoCase(current_.text, "NoRemove")) return RegistryScriptKey::Flag::NoRemove;
    if (EqualsNoCase(current_.text, "ForceRemove")) return RegistryScriptKey::Flag::ForceRemove;
    if (EqualsNoCase(current_.text, "Delete")) return RegistryScriptKey::Flag::Delete;
    return std::nullopt;
  }

  RegistryScriptKey ParseKey() {
    RegistryScriptKey key;
    if (auto flag = Flag()) {
      key.flag = *flag;
      Advance();
    }
    key.name = Name("a key name");
    if (current_.kind == Token::Kind::Equals) {
      Advance();
      key.values.push_back(Value(""));
    }
    if (current_.kind != Token::Kind::OpenBrace) return key;
    Advance();
    while (current_.kind != Token::Kind::CloseBrace) {
      if (current_.kind == Token::Kind::End) throw RegistryScriptError("expected '}'", current_.line);
      if (current_.kind == Token::Kind::Word && EqualsNoCase(current_.text, "val")) {
        Advance();
        std::string name = Name("a value name");
        Expect(Token::Kind::Equals, "'='");
        key.values.push_back(Value(std::move(name)));
      } else {
        key.subkeys.push_back(ParseKey());
      }
    }
    Advance();
    return key;
  }

  Lexer lexer_;
  Token current_;
};

std::string Join(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "\\" + name;
}

long RegisterKey(const RegistryScriptKey& key, const std::string& parent, RegistryEditor& editor) {
  const std::string path = Join(parent, key.name);
  if (key.flag == RegistryScriptKey::Flag::Delete) return editor.DeleteTree(path);
  if (key.flag == RegistryScriptKey::Flag::ForceRemove) {
    if (long error = editor.DeleteTree(path)) return error;
  }
  if (long error = editor.CreateKey(path)) return error;
  for (const RegistryValue& value : key.values) {
    if (long error = editor.SetValue(path, value)) return error;
  }
  for (const RegistryScriptKey& subkey : key.subkeys) {
    if (long error = RegisterKey(subkey, path, editor)) return error;
  }
  return 0;
}

void Keep(long& first, long error) {
  if (!first) first = error;
}

long UnregisterKey(const RegistryScriptKey& key, const std::string& parent, RegistryEditor& editor) {
  const std::string path = Join(parent, key.name);
  long first = 0;
  switch (key.flag) {
    case RegistryScriptKey::Flag::ForceRemove: return editor.DeleteTree(path);
    case RegistryScriptKey::Flag::Delete: return 0;  // removed on registration already
    case RegistryScriptKey::Flag::NoRemove:
      for (const RegistryScriptKey& subkey : key.subkeys) Keep(first, UnregisterKey(subkey, path, editor));
      return first;
    case RegistryScriptKey::Flag::None: break;
  }
  for (const RegistryScriptKey& subkey : key.subkeys) Keep(first, UnregisterKey(subkey, path, editor));
  for (const RegistryValue& value : key.values) Keep(first, editor.DeleteValue(path, value.name));
  Keep(first, editor.DeleteKeyIfEmpty(path));
  return first;
}

}  // namespace

std::string ExpandScriptVariables(std::string_view script,
                                  const std::map<std::string, std::string>& variables) {
  std::string out;
  out.reserve(script.size());
  std::size_t line = 1;
  for (std::size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (c == '\n') ++line;
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    const std::size_t end = script.find('%', i + 1);
    if (end == std::string_view::npos) throw RegistryScriptError("unterminated %variable%", line);
    const std::string name(script.substr(i + 1, end - i - 1));
    if (name.empty()) {
      out.push_back('%');
    } else {
      const auto found = variables.find(name);
      if (found == variables.end()) throw RegistryScriptError("unknown variable %" + name + "%", line);
      for (char v : found->second) {
        out.push_back(v);
        if (v == '\'') out.push_back('\'');
      }
    }
    i = end;
  }
  return out;
}

RegistryScript ParseRegistryScript(std::string_view script) { return Parser(script).Parse(); }

long RegisterScript(const RegistryScript& script, RegistryEditor& editor) {
  for (const RegistryScriptKey& key : script.keys) {
    if (long error = RegisterKey(key, "", editor)) return error;
  }
  return 0;
}

long UnregisterScript(const RegistryScript& script, RegistryEditor& editor) {
  long first = 0;
  for (const RegistryScriptKey& key : script.keys) Keep(first, UnregisterKey(key, "", editor));
  return first;
}

}  // namespace gridlet::win32
