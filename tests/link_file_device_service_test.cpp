#include "platform/link_file_device_service.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/com_error.h"
#include "platform/device_names.h"

namespace gridlet {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Files in memory; a path in failing_ cannot be written.
class MemoryFileSystem : public FileSystem {
 public:
  std::optional<Bytes> ReadFile(const std::string& path, std::string* why = nullptr) override {
    const auto found = files_.find(path);
    if (found == files_.end()) {
      if (why) *why = "no such file";
      return std::nullopt;
    }
    return found->second;
  }
  bool Exists(const std::string& path) override { return files_.count(path) != 0; }
  bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                 std::string* why) override {
    if (failing_.count(path)) {
      if (why) *why = "No space left on device";
      return false;
    }
    files_[path] = Bytes(data, data + size);
    return true;
  }
  std::optional<std::string> CreateTempFile(const std::string&) override { return std::nullopt; }
  bool RemoveFile(const std::string& path) override { return files_.erase(path) != 0; }

  std::map<std::string, Bytes> files_;
  std::set<std::string> failing_;
};

// Builds expected files field by field.
class Expected {
 public:
  Expected& Text(const std::string& text, std::size_t field) {
    std::string padded = text;
    padded.resize(field, '\0');
    bytes_.insert(bytes_.end(), padded.begin(), padded.end());
    return *this;
  }
  Expected& Raw(std::initializer_list<std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }
  Expected& Zeros(std::size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
    return *this;
  }
  Bytes Take() { return bytes_; }

 private:
  Bytes bytes_;
};

const VariableTag kXbTag = VariableTag::Number(0xAABF47F3);
const VariableTag k68kTag = VariableTag::String("GRDL");

std::string Field(const Bytes& file, std::size_t at, std::size_t size) {
  return std::string(file.begin() + at, file.begin() + at + size);
}

unsigned Le16(const Bytes& file, std::size_t at) { return file[at] | (file[at + 1] << 8); }

HRESULT ResultOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComError& error) {
    EXPECT_NE(std::string(error.what()), "");
    return error.Result();
  }
  return S_OK;
}

class LinkFileDeviceServiceTest : public ::testing::Test {
 protected:
  // Writes a new sheet variable through a fresh service, as the sheet
  // writers do, and returns the file.
  Bytes WriteNew(long model, const std::string& name, const Bytes& data, const std::string& path) {
    LinkFileDeviceService service(files_);
    service.SetDeviceModel(model);
    service.SetDeviceName(name);
    service.SetVariableData(data.data(), static_cast<long>(data.size()),
                            model == DEVICE_MODEL_XB_PLUS ? kXbTag : k68kTag);
    service.SaveFile(path, 0, 0);
    return files_.files_.at(path);
  }

  // The device copy sequence; returns the path GetFileName reports.
  std::string Copy(const std::string& from, long model, const std::string& name,
                   const std::string& to) {
    LinkFileDeviceService service(files_);
    service.LoadFile(from, 0);
    service.SetDeviceModel(model);
    service.SetDeviceName(name);
    service.SaveFile(to, 1, 0);
    return service.GetFileName();
  }

  HRESULT LoadResult(const Bytes& file) {
    files_.files_["damaged"] = file;
    LinkFileDeviceService service(files_);
    return ResultOf([&] { service.LoadFile("damaged", 0); });
  }

  MemoryFileSystem files_;
};

TEST_F(LinkFileDeviceServiceTest, XbPlusFileOfAnEmptySheetIsByteExact) {
  const Bytes file = WriteNew(DEVICE_MODEL_XB_PLUS, "My Sheet", Bytes(191, 0), "out.xbv");
  const Bytes expected = Expected()
                             .Text("**QZXBF*", 8)
                             .Raw({0x1A, 0x0A, 0x00})
                             .Text("Gridlet sheet", 42)
                             .Raw({214, 0})   // entry section: 17 + D
                             .Raw({13, 0})    // entry header length
                             .Raw({197, 0})   // D = n + 6
                             .Raw({0x15})     // application variable
                             .Text("MYSHEET", 8)
                             .Raw({0, 0})     // version, flag
                             .Raw({197, 0})   // D again
                             .Raw({195, 0})   // the variable's size field: 4 + n
                             .Raw({0xF3, 0x47, 0xBF, 0xAA})
                             .Zeros(191)
                             .Raw({0x31, 0x07})  // sum of bytes 55..268 = 1841
                             .Take();
  ASSERT_EQ(file.size(), 271u);
  EXPECT_EQ(file, expected);
}

TEST_F(LinkFileDeviceServiceTest, Class68kFileOfAnEmptySheetIsByteExact) {
  const Bytes file = WriteNew(DEVICE_MODEL_XD_PLUS, "My Sheet 1", Bytes(145, 0), "out.xdy");
  const Bytes expected = Expected()
                             .Text("**QZXD**", 8)
                             .Raw({1, 0})
                             .Text("main", 8)
                             .Text("Gridlet sheet", 40)
                             .Raw({1, 0})           // one entry
                             .Raw({82, 0, 0, 0})    // its data offset
                             .Text("mysheet1", 8)
                             .Raw({0x1C, 0, 0, 0})  // type, attribute, padding
                             .Raw({242, 0, 0, 0})   // file size
                             .Raw({0xA5, 0x5A})
                             .Zeros(4)
                             .Raw({0, 152})  // S = n + 7, big-endian
                             .Zeros(145)
                             .Raw({0, 'G', 'R', 'D', 'L', 0, 0xF8})
                             .Raw({0xB9, 0x02})  // 0x98 + "GRDL" + 0xF8 = 697
                             .Take();
  ASSERT_EQ(file.size(), 242u);
  EXPECT_EQ(file, expected);
}

TEST_F(LinkFileDeviceServiceTest, ChecksumsCoverTheData) {
  const Bytes xb = WriteNew(DEVICE_MODEL_XB_PLUS, "A", Bytes{0xFF, 0xFF, 0x01}, "a.xbv");
  // 0x0D + 9 + 0x15 + 'A' + 9 + 7 + tag + 0x1FF
  EXPECT_EQ(Le16(xb, xb.size() - 2), 13u + 9 + 0x15 + 'A' + 9 + 7 + 675 + 0x1FF);

  const Bytes k68 = WriteNew(DEVICE_MODEL_XC, "b", Bytes{0xFF, 0xFF, 0xFF}, "b.xcy");
  EXPECT_EQ(Field(k68, 0, 8), "**QZXC**");
  EXPECT_EQ(Le16(k68, k68.size() - 2), 10u + 0x2FD + 297 + 0xF8);
}

TEST_F(LinkFileDeviceServiceTest, XbPlusNamingRules) {
  const std::pair<std::string, std::string> cases[] = {
      {"5k-w", "KW"},
      {"My Sheet 1", "MYSHEET1"},
      {"abcdefghijk", "ABCDEFGH"},
      {"12ab34cd5678", "AB34CD56"},  // leading digits go before the cut
      {"caf\xE9_x", "CAFX"},
      {"work\\data", "WORKDATA"},
      {"123", "SHEET"},
      {"-_-", "SHEET"},
      {"", "SHEET"},
  };
  LinkFileDeviceService service(files_);
  service.SetDeviceModel(DEVICE_MODEL_XB_PLUS);
  for (const auto& [requested, device] : cases) {
    service.SetDeviceName(requested);
    EXPECT_EQ(service.GetDeviceName(), device) << requested;
  }
}

TEST_F(LinkFileDeviceServiceTest, Class68kNamingRules) {
  const std::pair<std::string, std::string> cases[] = {
      {"My Sheet 1", "mysheet1"},
      {"5k-w", "kw"},
      {"_9abc_d", "abc_d"},
      {"Work\\Data", "work\\data"},
      {"longfoldername\\longvariable", "longfold\\longvari"},
      {"\\name", "name"},      // empty folder left out
      {"12\\name", "name"},    // a folder emptied by the rules too
      {"abc\\", "abc\\sheet"},
      {"a\\b\\c", "a\\bc"},    // the folder ends at the first backslash
      {"\\", "sheet"},
      {"@#!", "sheet"},
      {"", "sheet"},
  };
  for (long model : {DEVICE_MODEL_XC, DEVICE_MODEL_XD_PLUS, DEVICE_MODEL_XF}) {
    LinkFileDeviceService service(files_);
    service.SetDeviceModel(model);
    for (const auto& [requested, device] : cases) {
      service.SetDeviceName(requested);
      EXPECT_EQ(service.GetDeviceName(), device) << requested << " on model " << model;
    }
  }
}

TEST_F(LinkFileDeviceServiceTest, NameFollowsTheModelSetLast) {
  LinkFileDeviceService service(files_);
  service.SetDeviceName("Work\\5k-w");
  service.SetDeviceModel(DEVICE_MODEL_XF);
  EXPECT_EQ(service.GetDeviceName(), "work\\kw");
  service.SetDeviceModel(DEVICE_MODEL_XB_PLUS);
  EXPECT_EQ(service.GetDeviceName(), "WORK5KW");  // the digit no longer leads
}

TEST_F(LinkFileDeviceServiceTest, FolderOfA68kNameGoesIntoTheFolderField) {
  const Bytes file = WriteNew(DEVICE_MODEL_XF, "Accounts\\June 2", Bytes{1, 2}, "f.xfy");
  EXPECT_EQ(Field(file, 0, 8), "**QZXF**");
  EXPECT_EQ(Field(file, 10, 8), std::string("accounts"));
  EXPECT_EQ(Field(file, 64, 8), std::string("june2\0\0\0", 8));
}

TEST_F(LinkFileDeviceServiceTest, CallsInTheWrongOrderFailCleanly) {
  LinkFileDeviceService service(files_);
  EXPECT_EQ(ResultOf([&] { service.GetDeviceName(); }), DEVICE_E_NO_MODEL);
  EXPECT_EQ(ResultOf([&] { service.GetFileName(); }), DEVICE_E_NOT_SAVED);
  EXPECT_EQ(ResultOf([&] { service.SaveFile("x", 0, 0); }), DEVICE_E_NO_MODEL);
  service.SetDeviceModel(DEVICE_MODEL_XD_PLUS);
  EXPECT_EQ(ResultOf([&] { service.SaveFile("x", 0, 0); }), DEVICE_E_NO_VARIABLE);
  EXPECT_EQ(ResultOf([&] { service.SetDeviceModel(6); }), DEVICE_E_UNKNOWN_MODEL);
  EXPECT_EQ(service.GetDeviceName(), "sheet");  // the failed call changed nothing
  EXPECT_TRUE(files_.files_.empty());
}

TEST_F(LinkFileDeviceServiceTest, BadVariableDataIsRefused) {
  LinkFileDeviceService service(files_);
  const std::uint8_t byte = 0;
  EXPECT_EQ(ResultOf([&] { service.SetVariableData(&byte, -1, kXbTag); }), DEVICE_E_BAD_DATA);
  EXPECT_EQ(ResultOf([&] { service.SetVariableData(nullptr, 4, kXbTag); }), DEVICE_E_BAD_DATA);

  const auto save = [&](long model, const VariableTag& tag) {
    service.SetDeviceModel(model);
    service.SetVariableData(&byte, 1, tag);
    return ResultOf([&] { service.SaveFile("x", 0, 0); });
  };
  EXPECT_EQ(save(DEVICE_MODEL_XB_PLUS, k68kTag), DEVICE_E_BAD_TAG);
  EXPECT_EQ(save(DEVICE_MODEL_XC, kXbTag), DEVICE_E_BAD_TAG);
  EXPECT_EQ(save(DEVICE_MODEL_XC, VariableTag::String("")), DEVICE_E_BAD_TAG);
  EXPECT_EQ(save(DEVICE_MODEL_XC, VariableTag::String(std::string("G\0L", 3))), DEVICE_E_BAD_TAG);
  EXPECT_TRUE(files_.files_.empty());
}

TEST_F(LinkFileDeviceServiceTest, DataMustFitTheLengthFields) {
  const auto save = [&](long model, std::size_t n) {
    LinkFileDeviceService service(files_);
    const Bytes data(n, 0x41);
    service.SetDeviceModel(model);
    service.SetVariableData(data.data(), static_cast<long>(n), model == 5 ? kXbTag : k68kTag);
    return ResultOf([&] { service.SaveFile("big", 0, 0); });
  };
  EXPECT_EQ(save(DEVICE_MODEL_XB_PLUS, 65512), S_OK);
  EXPECT_EQ(files_.files_.at("big").size(), 65592u);
  EXPECT_EQ(save(DEVICE_MODEL_XB_PLUS, 65513), DEVICE_E_TOO_LARGE);
  EXPECT_EQ(save(DEVICE_MODEL_XD_PLUS, 65528), S_OK);
  EXPECT_EQ(files_.files_.at("big").size(), 65625u);
  EXPECT_EQ(save(DEVICE_MODEL_XD_PLUS, 65529), DEVICE_E_TOO_LARGE);
}

TEST_F(LinkFileDeviceServiceTest, WriteFailureIsReportedWithItsReason) {
  files_.failing_.insert("full/out.xbv");
  LinkFileDeviceService service(files_);
  const std::uint8_t byte = 0;
  service.SetDeviceModel(DEVICE_MODEL_XB_PLUS);
  service.SetVariableData(&byte, 1, kXbTag);
  try {
    service.SaveFile("full/out.xbv", 0, 0);
    FAIL() << "SaveFile succeeded";
  } catch (const ComError& error) {
    EXPECT_EQ(error.Result(), DEVICE_E_CANNOT_WRITE);
    EXPECT_NE(std::string(error.what()).find("No space left on device"), std::string::npos);
  }
  EXPECT_EQ(ResultOf([&] { service.GetFileName(); }), DEVICE_E_NOT_SAVED);
}

TEST_F(LinkFileDeviceServiceTest, LoadFileRejectsDamagedXbPlusFiles) {
  const Bytes good = WriteNew(DEVICE_MODEL_XB_PLUS, "s", Bytes(191, 7), "good.xbv");
  ASSERT_EQ(LoadResult(good), S_OK);

  const auto damaged = [&](std::size_t at, std::uint8_t value) {
    Bytes file = good;
    file[at] = value;
    return LoadResult(file);
  };
  EXPECT_EQ(damaged(3, 'Y'), DEVICE_E_BAD_SIGNATURE);
  EXPECT_EQ(damaged(9, 0x0D), DEVICE_E_BAD_SIGNATURE);
  EXPECT_EQ(damaged(53, 215), DEVICE_E_BAD_LENGTH);  // entry section
  EXPECT_EQ(damaged(55, 14), DEVICE_E_BAD_LENGTH);   // entry header
  EXPECT_EQ(damaged(57, 196), DEVICE_E_BAD_LENGTH);  // D
  EXPECT_EQ(damaged(70, 198), DEVICE_E_BAD_LENGTH);  // D again
  EXPECT_EQ(damaged(72, 194), DEVICE_E_BAD_LENGTH);  // the variable's size field
  EXPECT_EQ(damaged(100, 8), DEVICE_E_BAD_CHECKSUM);
  EXPECT_EQ(damaged(270, good[270] ^ 1), DEVICE_E_BAD_CHECKSUM);

  EXPECT_EQ(LoadResult(Bytes(good.begin(), good.end() - 1)), DEVICE_E_BAD_LENGTH);
  EXPECT_EQ(LoadResult(Bytes(good.begin(), good.begin() + 73)), DEVICE_E_TRUNCATED);
  EXPECT_EQ(LoadResult(Bytes(good.begin(), good.begin() + 5)), DEVICE_E_TRUNCATED);
  EXPECT_EQ(LoadResult(Bytes{}), DEVICE_E_TRUNCATED);
}

TEST_F(LinkFileDeviceServiceTest, LoadFileRejectsDamaged68kFiles) {
  const Bytes good = WriteNew(DEVICE_MODEL_XD_PLUS, "s", Bytes(145, 3), "good.xdy");
  ASSERT_EQ(LoadResult(good), S_OK);

  const auto damaged = [&](std::size_t at, std::uint8_t value) {
    Bytes file = good;
    file[at] = value;
    return LoadResult(file);
  };
  EXPECT_EQ(damaged(5, 'B'), DEVICE_E_BAD_SIGNATURE);
  EXPECT_EQ(damaged(8, 2), DEVICE_E_BAD_SIGNATURE);
  EXPECT_EQ(damaged(58, 2), DEVICE_E_BAD_HEADER);   // entry count
  EXPECT_EQ(damaged(60, 84), DEVICE_E_BAD_HEADER);  // data offset
  EXPECT_EQ(damaged(81, 0), DEVICE_E_BAD_HEADER);   // entry marker
  EXPECT_EQ(damaged(76, 243), DEVICE_E_BAD_LENGTH); // file size
  EXPECT_EQ(damaged(79, 1), DEVICE_E_BAD_LENGTH);
  EXPECT_EQ(damaged(87, 151), DEVICE_E_BAD_LENGTH); // S
  EXPECT_EQ(damaged(86, 1), DEVICE_E_BAD_LENGTH);
  EXPECT_EQ(damaged(120, 4), DEVICE_E_BAD_CHECKSUM);
  EXPECT_EQ(damaged(241, good[241] ^ 0x80), DEVICE_E_BAD_CHECKSUM);

  EXPECT_EQ(LoadResult(Bytes(good.begin(), good.end() - 1)), DEVICE_E_BAD_LENGTH);
  EXPECT_EQ(LoadResult(Bytes(good.begin(), good.begin() + 89)), DEVICE_E_TRUNCATED);

  LinkFileDeviceService service(files_);
  EXPECT_EQ(ResultOf([&] { service.LoadFile("no such file", 0); }), DEVICE_E_CANNOT_READ);
}

TEST_F(LinkFileDeviceServiceTest, LoadErrorsNameTheFile) {
  files_.files_["broken.xdy"] = Bytes(10, 0);
  LinkFileDeviceService service(files_);
  try {
    service.LoadFile("broken.xdy", 0);
    FAIL() << "LoadFile succeeded";
  } catch (const ComError& error) {
    EXPECT_EQ(error.Result(), DEVICE_E_BAD_SIGNATURE);
    EXPECT_NE(std::string(error.what()).find("broken.xdy"), std::string::npos);
  }
}

TEST_F(LinkFileDeviceServiceTest, CopyXdToXfTakesTheNewSignatureAndName) {
  const Bytes source = WriteNew(DEVICE_MODEL_XD_PLUS, "Work\\Budget", Bytes{9, 8, 7, 6}, "in.xdy");
  EXPECT_EQ(Copy("in.xdy", DEVICE_MODEL_XF, "Copy 2", "out.copy2"), "out.copy2");

  const Bytes copy = files_.files_.at("out.copy2");
  ASSERT_EQ(copy.size(), source.size());
  EXPECT_EQ(Field(copy, 0, 8), "**QZXF**");
  EXPECT_EQ(Field(copy, 10, 8), std::string("main\0\0\0\0", 8));  // no folder asked for
  EXPECT_EQ(Field(copy, 64, 8), std::string("copy2\0\0\0", 8));
  EXPECT_EQ(Bytes(copy.begin() + 72, copy.end() - 2), Bytes(source.begin() + 72, source.end() - 2));
  // The copy loads again, so its checksum is right; it covers the unchanged content.
  EXPECT_EQ(LoadResult(copy), S_OK);
  EXPECT_EQ(Le16(copy, copy.size() - 2), Le16(source, source.size() - 2));
}

TEST_F(LinkFileDeviceServiceTest, CopyXcToXdKeepsDataAttributeAndComment) {
  LinkVariable archived;
  archived.model = DEVICE_MODEL_XC;
  archived.folder = "old";
  archived.name = "budget";
  archived.comment = "Made on the calculator";
  archived.type_id = 0x1C;
  archived.attribute = 2;
  archived.data = {1, 2, 3, 0, 'G', 'R', 'D', 'L', 0, 0xF8};
  files_.files_["in.xcy"] = WriteLinkFile(archived);

  Copy("in.xcy", DEVICE_MODEL_XD_PLUS, "New\\Sheet", "out.xdy");
  LinkFileDeviceService reader(files_);
  reader.LoadFile("out.xdy", 0);
  EXPECT_EQ(reader.GetDeviceName(), "new\\sheet");
  const Bytes copy = files_.files_.at("out.xdy");
  EXPECT_EQ(Field(copy, 0, 8), "**QZXD**");
  EXPECT_EQ(Field(copy, 10, 8), std::string("new\0\0\0\0\0", 8));
  EXPECT_EQ(Field(copy, 18, 22), "Made on the calculator");
  EXPECT_EQ(copy[73], 2);
  EXPECT_EQ(Bytes(copy.begin() + 88, copy.end() - 2), archived.data);
}

TEST_F(LinkFileDeviceServiceTest, CopyWithoutANewNameKeepsTheLoadedName) {
  WriteNew(DEVICE_MODEL_XC, "Work\\Data", Bytes{5}, "in.xcy");
  LinkFileDeviceService service(files_);
  service.LoadFile("in.xcy", 0);
  EXPECT_EQ(service.GetDeviceName(), "work\\data");
  service.SetDeviceModel(DEVICE_MODEL_XF);
  service.SaveFile("out.xfy", 1, 0);
  const Bytes copy = files_.files_.at("out.xfy");
  EXPECT_EQ(Field(copy, 10, 8), std::string("work\0\0\0\0", 8));
  EXPECT_EQ(Field(copy, 64, 8), std::string("data\0\0\0\0", 8));
}

TEST_F(LinkFileDeviceServiceTest, CopyXbPlusToXbPlusKeepsFlagAndData) {
  LinkVariable archived;
  archived.model = DEVICE_MODEL_XB_PLUS;
  archived.name = "OLD";
  archived.comment = "calc";
  archived.type_id = 0x15;
  archived.version = 3;
  archived.attribute = 0x80;
  archived.data = {4, 0, 0xF3, 0x47, 0xBF, 0xAA};
  files_.files_["in.xbv"] = WriteLinkFile(archived);

  Copy("in.xbv", DEVICE_MODEL_XB_PLUS, "new one", "out.xbv");
  const Bytes copy = files_.files_.at("out.xbv");
  EXPECT_EQ(Field(copy, 60, 8), std::string("NEWONE\0\0", 8));
  EXPECT_EQ(Field(copy, 11, 5), std::string("calc\0", 5));
  EXPECT_EQ(copy[68], 3);
  EXPECT_EQ(copy[69], 0x80);
  EXPECT_EQ(Bytes(copy.begin() + 72, copy.end() - 2), archived.data);
  EXPECT_EQ(LoadResult(copy), S_OK);
}

TEST_F(LinkFileDeviceServiceTest, CopyBetweenXbPlusAnd68kIsRefused) {
  WriteNew(DEVICE_MODEL_XB_PLUS, "a", Bytes(191, 0), "in.xbv");
  WriteNew(DEVICE_MODEL_XD_PLUS, "b", Bytes(145, 0), "in.xdy");
  for (long model : {DEVICE_MODEL_XC, DEVICE_MODEL_XD_PLUS, DEVICE_MODEL_XF}) {
    EXPECT_EQ(ResultOf([&] { Copy("in.xbv", model, "x", "out"); }), DEVICE_E_INCOMPATIBLE_COPY);
  }
  EXPECT_EQ(ResultOf([&] { Copy("in.xdy", DEVICE_MODEL_XB_PLUS, "x", "out"); }),
            DEVICE_E_INCOMPATIBLE_COPY);
  EXPECT_EQ(files_.files_.count("out"), 0u);
}

TEST_F(LinkFileDeviceServiceTest, TheVariableGivenLastIsSaved) {
  WriteNew(DEVICE_MODEL_XD_PLUS, "loaded", Bytes{1}, "in.xdy");
  LinkFileDeviceService service(files_);
  service.LoadFile("in.xdy", 0);
  const Bytes data = {0x42, 0x43};
  service.SetVariableData(data.data(), 2, k68kTag);
  service.SetDeviceName("fresh");
  service.SaveFile("out.xdy", 0, 0);
  EXPECT_EQ(service.GetFileName(), "out.xdy");
  const Bytes file = files_.files_.at("out.xdy");
  EXPECT_EQ(Field(file, 18, 13), "Gridlet sheet");
  EXPECT_EQ(Bytes(file.begin() + 88, file.begin() + 90), data);
}

TEST_F(LinkFileDeviceServiceTest, FactoryMakesIndependentServices) {
  LinkFileDeviceServiceFactory factory(files_);
  std::unique_ptr<DeviceFileService> first = factory.Create();
  std::unique_ptr<DeviceFileService> second = factory.Create();
  first->SetDeviceModel(DEVICE_MODEL_XB_PLUS);
  EXPECT_EQ(first->GetDeviceName(), "SHEET");
  EXPECT_EQ(ResultOf([&] { second->GetDeviceName(); }), DEVICE_E_NO_MODEL);
}

TEST(DeviceServiceErrorTextTest, EveryCodeHasItsOwnText) {
  const HRESULT codes[] = {
      DEVICE_E_UNKNOWN_MODEL, DEVICE_E_NO_MODEL,     DEVICE_E_NO_VARIABLE,  DEVICE_E_NOT_SAVED,
      DEVICE_E_BAD_DATA,      DEVICE_E_BAD_TAG,      DEVICE_E_TOO_LARGE,    DEVICE_E_CANNOT_READ,
      DEVICE_E_TRUNCATED,     DEVICE_E_BAD_SIGNATURE, DEVICE_E_BAD_HEADER,  DEVICE_E_BAD_LENGTH,
      DEVICE_E_BAD_CHECKSUM,  DEVICE_E_INCOMPATIBLE_COPY, DEVICE_E_CANNOT_WRITE,
  };
  std::set<HRESULT> distinct_codes;
  std::set<std::string> distinct_texts;
  for (HRESULT code : codes) {
    EXPECT_TRUE(Failed(code));
    const char* text = DeviceServiceErrorText(code);
    ASSERT_NE(text, nullptr) << std::hex << code;
    distinct_codes.insert(code);
    distinct_texts.insert(text);
  }
  EXPECT_EQ(distinct_codes.size(), std::size(codes));
  EXPECT_EQ(distinct_texts.size(), std::size(codes));
  EXPECT_EQ(DeviceServiceErrorText(S_OK), nullptr);
  EXPECT_EQ(DeviceServiceErrorText(E_FAIL), nullptr);
}

}  // namespace
}  // namespace gridlet
