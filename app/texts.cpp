// Written in UTF-8; the build makes the literals code page 932 bytes.
#include "texts.h"

const char UpdaterCaption[] = "QUORLEN 1.01";
const char NotInstalledText[] = "Ostrevaneがインストールされていません。";
const char ExecutableNotFoundText[] = "QUORLEN.exeが見つかりません。";
const char ConfirmUpdateText[] = "Ostrevane Ver1.01\nにアップデートします。\n書き換えてよろしいですか？";
const char UpdateFinishedText[] = "プログラムの更新が終了しました。";
const char CannotWriteFormat[] = "%s\nに書き込みできません。";
const char DiskFullText[] =
    "書き込みに失敗しました。\nディスク領域が不足しています。\nディスクの空き領域を増やしてから、もう一度実行してください。";
