// The message table: every code of resources/messages.tsv resolves to its text.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "archive/err_msgs.h"
#include "archive/message_table.h"

namespace kiv {
namespace {

std::map<int, std::string> ReadTable() {
    std::map<int, std::string> table;
    std::ifstream in(KIV_MESSAGES_TSV);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        table[std::stoi(line.substr(0, tab))] = line.substr(tab + 1);
    }
    return table;
}

TEST(MessageTable, EveryCodeOfTheTableResolvesToItsText) {
    const std::map<int, std::string> table = ReadTable();
    ASSERT_EQ(table.size(), 96u);
    ASSERT_EQ(kMessageCount, table.size());
    for (const auto& [code, text] : table) EXPECT_EQ(ErrorMessage(code), text) << code;
}

TEST(MessageTable, CodesWithoutTextGiveEmptyText) {
    for (int code : {0, -1, 25101, 25110, 25244, 26518, 26900, 99999})
        EXPECT_EQ(ErrorMessage(code), "") << code;
}

TEST(MessageTable, TheLibraryMessageNamesOurLibrary) {
    EXPECT_EQ(ErrorMessage(25258), "libunrar.so not found");
    EXPECT_EQ(ErrorMessage(25243), "Invalid file name");
    EXPECT_EQ(E_RAISE(25172).Message(), "File not found");
    EXPECT_EQ(E_RAISE(25172).ECode(), 25172);
    EXPECT_EQ(E_RAISE(0).Message(), "");
}

}  // namespace
}  // namespace kiv
