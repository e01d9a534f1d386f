// Registry scripts: parsing, variable expansion, and what registration and
// unregistration do to a registry (an in-memory one here).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "../registry_script.h"

namespace gridlet::win32 {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Keys by lower-cased path (as the registry compares them), with values.
class MemoryRegistry : public RegistryEditor {
 public:
  long CreateKey(const std::string& path) override {
    std::string prefix;
    for (const std::string& part : Parts(path)) {
      prefix = prefix.empty() ? part : prefix + "\\" + part;
      keys[Lower(prefix)];
    }
    return 0;
  }
  long SetValue(const std::string& path, const RegistryValue& value) override {
    auto key = keys.find(Lower(path));
    if (key == keys.end()) return 2;
    key->second[Lower(value.name)] = value;
    return failOnValue == value.name ? 5 : 0;
  }
  long DeleteTree(const std::string& path) override {
    const std::string lower = Lower(path);
    for (auto it = keys.begin(); it != keys.end();) {
      if (it->first == lower || it->first.rfind(lower + "\\", 0) == 0) it = keys.erase(it);
      else ++it;
    }
    return 0;
  }
  long DeleteValue(const std::string& path, const std::string& name) override {
    auto key = keys.find(Lower(path));
    if (key != keys.end()) key->second.erase(Lower(name));
    return 0;
  }
  long DeleteKeyIfEmpty(const std::string& path) override {
    const std::string lower = Lower(path);
    auto key = keys.find(lower);
    if (key == keys.end() || !key->second.empty()) return 0;
    for (const auto& [other, values] : keys) {
      if (other.rfind(lower + "\\", 0) == 0) return 0;
    }
    keys.erase(key);
    return 0;
  }

  bool Has(const std::string& path) const { return keys.count(Lower(path)) != 0; }
  std::string Text(const std::string& path, const std::string& name = "") const {
    auto key = keys.find(Lower(path));
    if (key == keys.end()) return "<no key>";
    auto value = key->second.find(Lower(name));
    return value == key->second.end() ? "<no value>" : value->second.text;
  }

  std::map<std::string, std::map<std::string, RegistryValue>> keys;
  std::string failOnValue = "<none>";

 private:
  static std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts(1);
    for (char c : path) {
      if (c == '\\') parts.emplace_back();
      else parts.back().push_back(c);
    }
    return parts;
  }
};

const char* const kServerScript = R"(HKCR
{
	Sample.Server.1 = s 'Sample Class'
	{
		CLSID = s '{00000000-1111-2222-3333-444444444444}'
	}
	NoRemove CLSID
	{
		ForceRemove {00000000-1111-2222-3333-444444444444} = s 'Sample Class'
		{
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{AAAAAAAA-1111-2222-3333-444444444444}'
		}
	}
}
)";

const std::string kClassKey = "CLSID\\{00000000-1111-2222-3333-444444444444}";

RegistryScript ServerScript(const std::string& module) {
  return ParseRegistryScript(ExpandScriptVariables(kServerScript, {{"MODULE", module}}));
}

TEST(RegistryScriptParse, ReadsKeysFlagsAndValues) {
  const RegistryScript script = ServerScript("C:\\x.dll");
  ASSERT_EQ(script.keys.size(), 2u);
  const RegistryScriptKey& progId = script.keys[0];
  EXPECT_EQ(progId.name, "Sample.Server.1");
  EXPECT_EQ(progId.flag, RegistryScriptKey::Flag::None);
  ASSERT_EQ(progId.values.size(), 1u);
  EXPECT_EQ(progId.values[0].name, "");
  EXPECT_EQ(progId.values[0].text, "Sample Class");
  const RegistryScriptKey& clsid = script.keys[1];
  EXPECT_EQ(clsid.flag, RegistryScriptKey::Flag::NoRemove);
  ASSERT_EQ(clsid.subkeys.size(), 1u);
  const RegistryScriptKey& server = clsid.subkeys[0];
  EXPECT_EQ(server.flag, RegistryScriptKey::Flag::ForceRemove);
  ASSERT_EQ(server.subkeys.size(), 2u);
  EXPECT_EQ(server.subkeys[0].name, "InprocServer32");
  ASSERT_EQ(server.subkeys[0].values.size(), 2u);
  EXPECT_EQ(server.subkeys[0].values[1].name, "ThreadingModel");
  EXPECT_EQ(server.subkeys[0].values[1].text, "Apartment");
  EXPECT_EQ(server.subkeys[1].name, "TypeLib");  // a quoted name
}

TEST(RegistryScriptParse, NumbersInDecimalAndHex) {
  const RegistryScript script = ParseRegistryScript("HKCR { K { val A = d '16' val B = d '0x1F' } }");
  ASSERT_EQ(script.keys.at(0).values.size(), 2u);
  EXPECT_EQ(script.keys[0].values[0].kind, RegistryValue::Kind::Number);
  EXPECT_EQ(script.keys[0].values[0].number, 16u);
  EXPECT_EQ(script.keys[0].values[1].number, 31u);
  EXPECT_THROW(ParseRegistryScript("HKCR { K { val A = d '0x100000000' } }"), RegistryScriptError);
  EXPECT_THROW(ParseRegistryScript("HKCR { K { val A = d '12z' } }"), RegistryScriptError);
}

TEST(RegistryScriptParse, RejectsMalformedScriptsWithTheirLine) {
  struct Case {
    const char* script;
    std::size_t line;
  };
  const Case cases[] = {
      {"HKCR\n{\n  Key = s 'unterminated\n}\n", 3},
      {"HKCR\n{\n  Key = x 'y'\n}\n", 3},
      {"HKCR\n{\n  Key\n  {\n", 5},
      {"HKLM\n{\n}\n", 1},
      {"HKCR\n{\n  'a\\b' = s 'c'\n}\n", 3},
      {"HKCR\n{\n  Key\n  {\n    val = s 'x'\n  }\n}\n", 5},
  };
  for (const Case& c : cases) {
    try {
      ParseRegistryScript(c.script);
      ADD_FAILURE() << "accepted: " << c.script;
    } catch (const RegistryScriptError& error) {
      EXPECT_EQ(error.Line(), c.line) << c.script << " -> " << error.what();
    }
  }
}

TEST(RegistryScriptExpand, DoublesQuotesSoThePathSurvivesParsing) {
  const std::string module = "C:\\Program Files\\O'Brien's Tools\\50%\\x.dll";
  const RegistryScript script = ServerScript(module);
  EXPECT_EQ(script.keys[1].subkeys[0].subkeys[0].values[0].text, module);
  EXPECT_EQ(ExpandScriptVariables("100%%", {}), "100%");
  EXPECT_THROW(ExpandScriptVariables("%OTHER%", {{"MODULE", "x"}}), RegistryScriptError);
  EXPECT_THROW(ExpandScriptVariables("%MODULE", {{"MODULE", "x"}}), RegistryScriptError);
}

TEST(RegistryScriptApply, RegisterWritesEveryKeyAndValue) {
  MemoryRegistry registry;
  ASSERT_EQ(RegisterScript(ServerScript("C:\\x.dll"), registry), 0);
  EXPECT_EQ(registry.Text("Sample.Server.1"), "Sample Class");
  EXPECT_EQ(registry.Text("Sample.Server.1\\CLSID"), "{00000000-1111-2222-3333-444444444444}");
  EXPECT_EQ(registry.Text(kClassKey), "Sample Class");
  EXPECT_EQ(registry.Text(kClassKey + "\\InprocServer32"), "C:\\x.dll");
  EXPECT_EQ(registry.Text(kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(registry.Text(kClassKey + "\\TypeLib"), "{AAAAAAAA-1111-2222-3333-444444444444}");
}

TEST(RegistryScriptApply, ForceRemoveRewritesTheKeyWhole) {
  MemoryRegistry registry;
  registry.CreateKey(kClassKey + "\\LocalServer32");
  registry.SetValue(kClassKey + "\\LocalServer32", {"", RegistryValue::Kind::String, "old.exe", 0});
  ASSERT_EQ(RegisterScript(ServerScript("C:\\x.dll"), registry), 0);
  EXPECT_FALSE(registry.Has(kClassKey + "\\LocalServer32"));
  EXPECT_TRUE(registry.Has(kClassKey + "\\InprocServer32"));
}

TEST(RegistryScriptApply, UnregisterRemovesOnlyWhatTheScriptWrote) {
  MemoryRegistry registry;
  registry.CreateKey("CLSID\\{OTHER}");
  const RegistryScript script = ServerScript("C:\\x.dll");
  ASSERT_EQ(RegisterScript(script, registry), 0);
  // Something another program put under the ProgID key.
  registry.CreateKey("Sample.Server.1\\Shell");
  ASSERT_EQ(UnregisterScript(script, registry), 0);
  EXPECT_FALSE(registry.Has(kClassKey));
  EXPECT_TRUE(registry.Has("CLSID"));  // NoRemove
  EXPECT_TRUE(registry.Has("CLSID\\{OTHER}"));
  // The ProgID key keeps the foreign subkey but loses the script's parts.
  EXPECT_TRUE(registry.Has("Sample.Server.1\\Shell"));
  EXPECT_FALSE(registry.Has("Sample.Server.1\\CLSID"));
  EXPECT_EQ(registry.Text("Sample.Server.1"), "<no value>");
}

TEST(RegistryScriptApply, UnregisterOfAnEmptyRegistrySucceeds) {
  MemoryRegistry registry;
  EXPECT_EQ(UnregisterScript(ServerScript("C:\\x.dll"), registry), 0);
  EXPECT_FALSE(registry.Has("Sample.Server.1"));
}

TEST(RegistryScriptApply, RegisterStopsAtTheFirstFailure) {
  MemoryRegistry registry;
  registry.failOnValue = "ThreadingModel";
  EXPECT_EQ(RegisterScript(ServerScript("C:\\x.dll"), registry), 5);
  EXPECT_FALSE(registry.Has(kClassKey + "\\TypeLib"));
}

TEST(RegistryScriptApply, DeleteFlagRemovesAKeyOnRegistration) {
  MemoryRegistry registry;
  registry.CreateKey("Stale\\Sub");
  ASSERT_EQ(RegisterScript(ParseRegistryScript("HKCR { Delete Stale Fresh = s 'x' }"), registry), 0);
  EXPECT_FALSE(registry.Has("Stale"));
  EXPECT_FALSE(registry.Has("Stale\\Sub"));
  EXPECT_EQ(registry.Text("Fresh"), "x");
}

}  // namespace
}  // namespace gridlet::win32
