// The registry over the text file named by MARROW_REGISTRY.
#include <cstdlib>
#include <fstream>
#include <string>

#include "mwplatform.h"
#include "common_support.h"

namespace {

const char *const kPolicy = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

class Registry : public ::testing::Test {
protected:
    void SetUp() override { setenv("MARROW_REGISTRY", file().c_str(), 1); }
    void TearDown() override { unsetenv("MARROW_REGISTRY"); }

    std::string file() const { return (dir_ / "registry.reg").string(); }
    void write(const std::string &text) const { std::ofstream(file(), std::ios::binary) << text; }
    std::string read() const { return mwtest::readFile(file()); }

    HKEY open(REGSAM access = KEY_READ | KEY_WRITE) const
    {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kPolicy, 0, access, &key));
        return key;
    }

    mwtest::TempDir dir_;
};

DWORD readDword(HKEY key, const char *name)
{
    DWORD value = 0, type = 0, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size));
    EXPECT_EQ(DWORD{REG_DWORD}, type);
    EXPECT_EQ(4u, size);
    return value;
}

TEST_F(Registry, WithoutTheVariableNoKeyOpens)
{
    unsetenv("MARROW_REGISTRY");
    HKEY key = reinterpret_cast<HKEY>(uintptr_t{1});
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, kPolicy, 0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    DWORD value = 1;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegSetValueExA(HKEY_CURRENT_USER, "x", 0, REG_DWORD, reinterpret_cast<BYTE *>(&value), 4));
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(Registry, DwordValuesAreReadAndWrittenBack)
{
    write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + std::string(kPolicy) +
          "]\r\n\"NoDriveTypeAutoRun\"=dword:00000095\r\n\"Other\"=\"kept\"\r\n");
    HKEY key = open();
    EXPECT_EQ(0x95u, readDword(key, "nodrivetypeautorun")); // names ignore case
    const DWORD value = 0xB5;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "NoDriveTypeAutoRun", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE *>(&value), 4));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    EXPECT_EQ("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + std::string(kPolicy) +
                  "]\n\"NoDriveTypeAutoRun\"=dword:000000b5\n\"Other\"=\"kept\"\n",
              read());

    HKEY lower = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER,
                                           "software\\microsoft\\windows\\currentversion\\"
                                           "policies\\explorer\\",
                                           0, KEY_READ, &lower));
    EXPECT_EQ(0xB5u, readDword(lower, "NoDriveTypeAutoRun"));
    RegCloseKey(lower);
}

TEST_F(Registry, SizesAreReportedAndShortBuffersRefused)
{
    write("[HKEY_CURRENT_USER\\" + std::string(kPolicy) +
          "]\n\"Text\"=\"a \\\"quoted\\\" \\\\ word\"\n\"Bytes\"=hex:01,02,\\\n  ff\n@=dword:1\n");
    HKEY key = open();
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size));
    EXPECT_EQ(DWORD{REG_SZ}, type);
    const std::string text = "a \"quoted\" \\ word";
    EXPECT_EQ(text.size() + 1, size);
    char small[4];
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<LPBYTE>(small), &size));
    EXPECT_EQ(text.size() + 1, size);
    char buffer[64];
    size = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size));
    EXPECT_EQ(text, buffer);

    BYTE bytes[8];
    size = sizeof bytes;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Bytes", nullptr, &type, bytes, &size));
    EXPECT_EQ(DWORD{REG_BINARY}, type);
    ASSERT_EQ(3u, size);
    EXPECT_EQ(0xFF, bytes[2]);
    EXPECT_EQ(1u, readDword(key, nullptr)); // the key's default value
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, nullptr));

    // Text that does not fit a quoted line survives a rewrite unchanged.
    const char lines[] = "two\nlines";
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "Lines", 0, REG_SZ, reinterpret_cast<const BYTE *>(lines), sizeof lines));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)));
    size = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "Lines", nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size));
    EXPECT_EQ(DWORD{REG_SZ}, type);
    EXPECT_STREQ(lines, buffer);
    size = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size));
    EXPECT_EQ(text, buffer);
    RegCloseKey(key);
}

TEST_F(Registry, AccessRightsAndHandlesAreChecked)
{
    write("[HKEY_CURRENT_USER\\" + std::string(kPolicy) + "]\n\"Value\"=dword:00000001\n");
    HKEY reader = open(KEY_READ);
    const DWORD value = 2;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegSetValueExA(reader, "Value", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), 4));
    HKEY writer = open(KEY_WRITE);
    DWORD size = 4;
    DWORD out = 0;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegQueryValueExA(writer, "Value", nullptr, nullptr, reinterpret_cast<LPBYTE>(&out), &size));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegSetValueExA(writer, "Value", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), 2));
    RegCloseKey(reader);
    RegCloseKey(writer);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(reader, "Value", nullptr, nullptr, nullptr, nullptr));

    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Missing", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_HANDLE,
              RegOpenKeyExA(reinterpret_cast<HKEY>(uintptr_t{8}), "", 0, KEY_READ, &key));
    std::filesystem::remove(file());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, kPolicy, 0, KEY_READ, &key));
}

TEST_F(Registry, MalformedLinesArePassedOver)
{
    std::string junk = "[HKEY_CURRENT_USER\\" + std::string(kPolicy) + "]\n";
    junk += "\"Open=dword:00000001\n";         // unterminated name
    junk += "\"BadDword\"=dword:zz\n";         // not hexadecimal
    junk += "\"LongDword\"=dword:123456789\n"; // nine digits
    junk += "\"BadHex\"=hex:01,2x3,04\n";
    junk += "\"BadType\"=hex(zz):01\n";
    junk += "\"Bare\"=word\n";
    junk += "[\n[]\n" + std::string(100000, 'x') + "\n";
    junk += std::string("\0\xff\x01\"Binary\"", 11) + "\n";
    junk += "[HKEY_CURRENT_USER\\" + std::string(kPolicy) + "]\n\"Good\"=dword:00000007\n";
    write(junk);
    HKEY key = open(KEY_READ);
    for (const char *name : {"Open", "BadDword", "LongDword", "BadHex", "BadType", "Bare", "Binary"})
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr))
            << name;
    EXPECT_EQ(7u, readDword(key, "Good"));
    RegCloseKey(key);
}

} // namespace
