#include "platform/Registry.h"

#include <gmock/gmock.h>

#include <filesystem>

#include "support/TestRoot.h"

namespace kvt::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class RegistryTest : public test::FreshRoot {};

// The message of the registry error that `action` raises.
template <class Action>
std::string errorOf(Action action) {
    try {
        action();
    } catch (const ERegistryException& error) {
        return error.what();
    }
    return "no ERegistryException";
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCaseAndKeepTheirFirstSpelling) {
    Registry writer(RootKey::LocalMachine);
    ASSERT_TRUE(writer.openKey("SOFTWARE\\Nordvik\\KVT\\Reports\\Отчеты", true));
    writer.writeInteger("ПлатежныйТип", 1);
    writer.writeInteger("платежныйтип", 7);
    writer.writeString("PayType57", "x");

    Registry reader(RootKey::LocalMachine);
    ASSERT_TRUE(reader.openKey("software\\NORDVIK\\kvt\\reports\\ОТЧЕТЫ", false));
    EXPECT_EQ(reader.readInteger("ПЛАТЕЖНЫЙТИП"), 7);
    EXPECT_EQ(reader.readString("paytype57"), "x");
    EXPECT_THAT(reader.valueNames(), ElementsAre("ПлатежныйТип", "PayType57"));

    ASSERT_TRUE(reader.openKey("\\software\\nordvik\\kvt", false));
    EXPECT_THAT(reader.keyNames(), ElementsAre("Reports"));
    EXPECT_TRUE(reader.keyExists("REPORTS\\отчеты"));
}

TEST_F(RegistryTest, ValuesAreTypedAsTheRegistryClassReadsThem) {
    Registry registry(RootKey::LocalMachine);
    ASSERT_TRUE(registry.openKey("SOFTWARE\\Nordvik\\KVT\\Reports\\BonusRep", true));
    registry.writeInteger("NullStr", -5);
    registry.writeString("Orientation", "Книжная");
    registry.writeBool("ShowGSMItog", true);
    registry.writeBool("ShowSubVidoplItog", false);
    registry.writeInteger("RepProp", 6);

    EXPECT_EQ(registry.readInteger("NullStr"), -5);
    EXPECT_EQ(registry.readString("Orientation"), "Книжная");
    EXPECT_EQ(registry.readInteger("ShowGSMItog"), 1);
    EXPECT_EQ(registry.readInteger("ShowSubVidoplItog"), 0);
    EXPECT_TRUE(registry.readBool("RepProp"));
    EXPECT_FALSE(registry.readBool("ShowSubVidoplItog"));
    EXPECT_EQ(registry.valueType("NullStr"), RegValueType::DWord);
    EXPECT_EQ(registry.valueType("Orientation"), RegValueType::String);
    EXPECT_EQ(registry.valueType("Missing"), RegValueType::None);
    EXPECT_FALSE(registry.valueExists("Missing"));

    EXPECT_EQ(errorOf([&] { registry.readInteger("Orientation"); }),
              "Неверный тип данных для 'Orientation'");
    EXPECT_EQ(errorOf([&] { registry.readString("NullStr"); }),
              "Неверный тип данных для 'NullStr'");
    EXPECT_EQ(errorOf([&] { registry.readBool("Orientation"); }),
              "Неверный тип данных для 'Orientation'");
    EXPECT_EQ(errorOf([&] { registry.readInteger("PayType0"); }),
              "Ошибка получения данных для 'PayType0'");
    EXPECT_EQ(errorOf([&] { registry.readString("PayType0"); }),
              "Ошибка получения данных для 'PayType0'");

    registry.writeString("NullStr", "1");
    EXPECT_EQ(registry.valueType("NullStr"), RegValueType::String);
    EXPECT_THAT(registry.valueNames(), ElementsAre("NullStr", "Orientation", "ShowGSMItog",
                                                   "ShowSubVidoplItog", "RepProp"));
}

TEST_F(RegistryTest, KeysOpenRelativeToTheCurrentKeyOrFromTheRoot) {
    Registry registry(RootKey::LocalMachine);
    EXPECT_FALSE(registry.openKey("SOFTWARE\\Nordvik", false));
    EXPECT_FALSE(registry.openKeyReadOnly("SOFTWARE"));

    ASSERT_TRUE(registry.openKey("SOFTWARE\\Nordvik\\KVT\\Reports\\", true));
    EXPECT_EQ(registry.currentPath(), "SOFTWARE\\Nordvik\\KVT\\Reports");
    ASSERT_TRUE(registry.openKey("CardRep", true));
    EXPECT_EQ(registry.currentPath(), "SOFTWARE\\Nordvik\\KVT\\Reports\\CardRep");
    EXPECT_FALSE(registry.openKey("Nowhere", false));
    EXPECT_EQ(registry.currentPath(), "SOFTWARE\\Nordvik\\KVT\\Reports\\CardRep");
    ASSERT_TRUE(registry.openKey("\\SOFTWARE\\Nordvik", false));
    EXPECT_THAT(registry.keyNames(), ElementsAre("KVT"));

    registry.closeKey();
    EXPECT_EQ(registry.currentPath(), "");
    registry.writeString("", "default of the root");
    EXPECT_THAT(registry.keyNames(), ElementsAre("SOFTWARE"));
    EXPECT_THAT(registry.valueNames(), ElementsAre(""));
    ASSERT_TRUE(registry.openKey("SOFTWARE", false));
    EXPECT_THAT(registry.valueNames(), IsEmpty());
    EXPECT_FALSE(registry.valueExists(""));
}

TEST_F(RegistryTest, KeyOpenedReadOnlyRefusesWrites) {
    Registry registry(RootKey::LocalMachine);
    ASSERT_TRUE(registry.openKey("SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector", true));
    registry.writeString("IE", "9.0000");

    ASSERT_TRUE(
        registry.openKeyReadOnly("\\SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector"));
    EXPECT_EQ(registry.readString("IE"), "9.0000");
    EXPECT_EQ(errorOf([&] { registry.writeString("IE", "11"); }),
              "Ошибка установки данных для 'IE'");
    EXPECT_EQ(errorOf([&] { registry.writeInteger("X", 1); }), "Ошибка установки данных для 'X'");
    EXPECT_EQ(errorOf([&] { registry.writeBool("X", true); }), "Ошибка установки данных для 'X'");
    EXPECT_EQ(errorOf([&] { registry.deleteValue("IE"); }), "Ошибка удаления значения 'IE'");
    EXPECT_EQ(registry.readString("IE"), "9.0000");
    EXPECT_FALSE(registry.valueExists("X"));

    ASSERT_TRUE(
        registry.openKey("\\SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector", false));
    registry.writeString("IE", "11");
    EXPECT_EQ(registry.readString("IE"), "11");
}

TEST_F(RegistryTest, DeleteKeyTakesSubkeysAndValuesButNotSiblings) {
    Registry registry(RootKey::LocalMachine);
    for (const char* key : {"\\A\\Reports\\CardRep\\Deep", "\\A\\Reports2", "\\A\\Reports]"}) {
        ASSERT_TRUE(registry.openKey(key, true));
        registry.writeInteger("PayType1", 1);
    }
    ASSERT_TRUE(registry.openKey("\\A\\Reports", false));
    registry.writeInteger("Own", 1);

    registry.closeKey();
    EXPECT_TRUE(registry.deleteKey("a\\REPORTS"));
    EXPECT_FALSE(registry.deleteKey("A\\Reports"));
    EXPECT_FALSE(registry.keyExists("A\\Reports\\CardRep\\Deep"));
    ASSERT_TRUE(registry.openKey("A", false));
    EXPECT_THAT(registry.keyNames(), ElementsAre("Reports2", "Reports]"));
    ASSERT_TRUE(registry.openKey("Reports2", false));
    EXPECT_EQ(registry.readInteger("PayType1"), 1);

    ASSERT_TRUE(registry.openKey("\\A\\Reports\\CardRep\\Deep", true));
    EXPECT_THAT(registry.valueNames(), IsEmpty());
    ASSERT_TRUE(registry.openKey("\\A\\Reports", false));
    EXPECT_THAT(registry.valueNames(), IsEmpty());
}

TEST_F(RegistryTest, WriteIntoAKeyDeletedMeanwhileFails) {
    Registry holder(RootKey::LocalMachine);
    ASSERT_TRUE(holder.openKey("SOFTWARE\\Nordvik\\KVT\\Reports\\VedomProp", true));
    Registry other(RootKey::LocalMachine);
    ASSERT_TRUE(other.deleteKey("SOFTWARE\\Nordvik\\KVT\\Reports"));

    EXPECT_EQ(errorOf([&] { holder.writeInteger("PayType4", 1); }),
              "Ошибка установки данных для 'PayType4'");
    EXPECT_FALSE(holder.valueExists("PayType4"));
    EXPECT_FALSE(other.keyExists("SOFTWARE\\Nordvik\\KVT\\Reports\\VedomProp"));
}

TEST_F(RegistryTest, MachineAndUserRootsAreSeparateFiles) {
    const fs::path machineFile = Registry::storePath(RootKey::LocalMachine);
    const fs::path userFile = Registry::storePath(RootKey::CurrentUser);
    EXPECT_EQ(machineFile, fs::path(std::getenv("KVT_ROOT")) / "registry" / "machine.db");
    EXPECT_EQ(userFile, fs::path(std::getenv("XDG_CONFIG_HOME")) / "kvt" / "user-registry.db");

    Registry registry(RootKey::LocalMachine);
    ASSERT_TRUE(registry.openKey("Software\\Korvane\\BLM KVT\\common", true));
    registry.writeInteger("Left", 10);

    registry.setRootKey(RootKey::CurrentUser);
    EXPECT_EQ(registry.rootKey(), RootKey::CurrentUser);
    EXPECT_EQ(registry.currentPath(), "");
    EXPECT_FALSE(registry.keyExists("Software\\Korvane\\BLM KVT\\common"));
    ASSERT_TRUE(registry.openKey("Software\\Korvane\\BLM KVT\\common", true));
    registry.writeInteger("Left", 20);

    EXPECT_EQ(Registry(RootKey::CurrentUser).keyNames(), std::vector<std::string>{"Software"});
    Registry machine(RootKey::LocalMachine);
    ASSERT_TRUE(machine.openKey("Software\\Korvane\\BLM KVT\\common", false));
    EXPECT_EQ(machine.readInteger("Left"), 10);
    EXPECT_TRUE(fs::is_regular_file(machineFile));
    EXPECT_TRUE(fs::is_regular_file(userFile));
}

TEST_F(RegistryTest, StoreReachedThroughASymbolicLinkIsRefused) {
    const fs::path target = base() / "elsewhere.db";
    test::writeFile(target, "not for the registry");
    const fs::path machineFile = Registry::storePath(RootKey::LocalMachine);
    fs::create_directories(machineFile.parent_path());
    fs::create_symlink(target, machineFile);
    EXPECT_THAT(errorOf([] { Registry registry(RootKey::LocalMachine); }),
                HasSubstr("символическая ссылка"));
    EXPECT_EQ(test::readFile(target), "not for the registry");

    const fs::path userFolder = Registry::storePath(RootKey::CurrentUser).parent_path();
    fs::create_directories(base() / "other-folder");
    fs::create_symlink(base() / "other-folder", userFolder);
    EXPECT_THAT(errorOf([] { Registry registry(RootKey::CurrentUser); }),
                HasSubstr("символическая ссылка"));
    EXPECT_TRUE(fs::is_empty(base() / "other-folder"));
}

}  // namespace
}  // namespace kvt::platform
