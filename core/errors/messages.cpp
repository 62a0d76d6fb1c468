// Written in UTF-8; the build compiles a copy in which every Japanese character
// is spelled as escapes of its code page 932 bytes (cmake/cp932_literals.cmake),
// so every literal below becomes code page 932 bytes.
#include "errors/messages.h"

namespace Quorin::Messages {

const std::string runtimeErrorPrefix = "マクロ実行中にエラーが発生しました。\n";

const std::string syntaxError = "マクロに文法的エラーがあります。";
const std::string nestingTooDeep = "マクロの入れ子が深すぎます。";
const std::string invalidItemKind = "不正な型の要素を作成しようとしました。";

const std::string substituteToRValue = "代入文の左辺は変数かプロパティである必要があります。";
const std::string wrongFunctionCall = "関数呼び出しが不正です。";
const std::string unexpectedContinue = "予期しない \"continue\" です。";
const std::string stopped = "マクロの実行が中止されました。";
const std::string divisionByZero = "0 で除算しました。";

std::string SourceTooLong(std::size_t bytes) {
    return "マクロが大きすぎます。" + std::to_string(bytes >> 20) +
           " MiB までのマクロを実行できます。";
}

std::string FunctionNotExist(const std::string& name) {
    return "関数 \"" + name + "\" は存在しません。";
}

std::string ArgumentsMismatch(const std::string& name) {
    return "関数 \"" + name + "\" の引数が一致しません。";
}

std::string LValueArgumentRequired(const std::string& name, int number) {
    return "関数 \"" + name + "\" の第" + std::to_string(number) +
           "引数は変数かプロパティである必要があります。";
}

std::string LabelNotExist(const std::string& label) {
    return "ラベル \"" + label + "\" は存在しません。";
}

std::string OperatorNotFound(const std::string& op) {
    return "演算子 \"" + op + "\" が見つかりません。";
}

const std::string noFileName = "ファイル名を指定してください。";
const std::string cannotOpenFile = "ファイルを開くのに失敗しました。";
const std::string pressAnyKey = "何かキーを押してください...";
const std::string outOfMemory = "メモリが不足しました。";
const std::string unknownEncoding = "文字コードの名前が不正です: ";
const std::string sourceNotConvertible = "マクロファイルの文字コードを変換できません。";
const std::string outputFailed = "出力を書き込めませんでした。";
const std::string utf8SourceHint =
    "UTF-8 のファイルのようです。1 行目か 2 行目に // coding: utf-8 と書くと UTF-8 "
    "として読みます。";
const std::string usage =
    "使い方: quorin ファイル名\n"
    "  マクロファイルを実行します。開けないときは、名前に .qrn を付けて開きます。\n"
    "  quorin -h, --help   この説明を表示します。\n"
    "  quorin --version    バージョンを表示します。\n"
    "\n"
    "環境変数:\n"
    "  QUORIN_CONSOLE_ENCODING  入出力の文字コード。ないときは、端末ならロケールの\n"
    "                           文字コード、ファイルやパイプなら CP932 です。\n"
    "  QUORIN_SOURCE_ENCODING   マクロファイルの文字コード。ないときは CP932 です。\n"
    "                           ファイルの // coding: 名前 の行が優先します。\n"
    "  QUORIN_ERROR_LOCATION    1 ならエラーの場所を常に表示し、0 なら表示しません。\n"
    "                           ないときは、標準エラー出力が端末なら表示します。\n";

std::string ErrorLine(int line) {
    return std::to_string(line) + " 行目: ";
}

std::string ProgramVersion(const std::string& version) {
    return "Quorin " + version;
}

}  // namespace Quorin::Messages
