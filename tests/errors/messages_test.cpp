// The message catalogue holds code page 932 bytes; the expected texts below are
// UTF-8 and converted for the comparison.
#include "errors/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "errors/errors.h"
#include "support/cp932.h"

namespace Quorin {
namespace {

TEST(MessagesTest, Texts) {
    const struct {
        const std::string& text;
        const char* utf8;
    } cases[] = {
        {Messages::runtimeErrorPrefix, "マクロ実行中にエラーが発生しました。\n"},
        {Messages::syntaxError, "マクロに文法的エラーがあります。"},
        {Messages::nestingTooDeep, "マクロの入れ子が深すぎます。"},
        {Messages::invalidItemKind, "不正な型の要素を作成しようとしました。"},
        {Messages::substituteToRValue, "代入文の左辺は変数かプロパティである必要があります。"},
        {Messages::wrongFunctionCall, "関数呼び出しが不正です。"},
        {Messages::unexpectedContinue, "予期しない \"continue\" です。"},
        {Messages::stopped, "マクロの実行が中止されました。"},
        {Messages::divisionByZero, "0 で除算しました。"},
        {Messages::noFileName, "ファイル名を指定してください。"},
        {Messages::cannotOpenFile, "ファイルを開くのに失敗しました。"},
        {Messages::pressAnyKey, "何かキーを押してください..."},
        {Messages::outOfMemory, "メモリが不足しました。"},
        {Messages::unknownEncoding, "文字コードの名前が不正です: "},
        {Messages::sourceNotConvertible, "マクロファイルの文字コードを変換できません。"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, Cp932(c.utf8)) << c.utf8;
}

TEST(MessagesTest, TextsWithNames) {
    const std::string sjisName = Cp932("関数名");
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {Messages::FunctionNotExist("foo"), Cp932("関数 \"foo\" は存在しません。")},
        {Messages::FunctionNotExist(sjisName), Cp932("関数 \"関数名\" は存在しません。")},
        {Messages::ArgumentsMismatch(""), Cp932("関数 \"\" の引数が一致しません。")},
        {Messages::LValueArgumentRequired("f", 2),
         Cp932("関数 \"f\" の第2引数は変数かプロパティである必要があります。")},
        {Messages::LValueArgumentRequired("f", 12),
         Cp932("関数 \"f\" の第12引数は変数かプロパティである必要があります。")},
        {Messages::LabelNotExist("L"), Cp932("ラベル \"L\" は存在しません。")},
        {Messages::OperatorNotFound("@"), Cp932("演算子 \"@\" が見つかりません。")},
        {Messages::SourceTooLong(std::size_t{256} << 20),
         Cp932("マクロが大きすぎます。256 MiB までのマクロを実行できます。")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.expected);
}

TEST(MessagesTest, RawBytes) {
    // "マ" is 0x83 0x7D; the prefix ends with a single line feed.
    const std::string& prefix = Messages::runtimeErrorPrefix;
    ASSERT_GE(prefix.size(), 3u);
    EXPECT_EQ(prefix.substr(0, 2), "\x83\x7D");
    EXPECT_EQ(prefix.back(), '\n');
    EXPECT_NE(prefix[prefix.size() - 2], '\r');
    // "予" has a backslash as its trail byte: 0x97 0x5C.
    EXPECT_EQ(Messages::unexpectedContinue.substr(0, 2), "\x97\x5C");
    // "。" is 0x81 0x42.
    EXPECT_EQ(Messages::stopped.substr(Messages::stopped.size() - 2), "\x81\x42");
    EXPECT_EQ(Cp932("表"), "\x95\x5C");
}

TEST(MessagesTest, RuntimeMessagesCarryThePrefix) {
    EXPECT_EQ(RuntimeMessage(Messages::FunctionNotExist("foo")),
              Cp932("マクロ実行中にエラーが発生しました。\n関数 \"foo\" は存在しません。"));
}

}  // namespace
}  // namespace Quorin
