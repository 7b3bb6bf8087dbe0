#pragma once
// Every text the windows show, in one place, so that they can be read and
// checked as a set: the commands (menu caption, status-bar hint, speed-button
// tip, keys), the menus, captions, questions, messages and dialog labels.
// All texts are UTF-8; U() turns one into a QString.

#include <QString>

namespace kelvra::texts {

inline QString U(const char *utf8) { return QString::fromUtf8(utf8); }

inline constexpr char kAppName[] = "Kelvra";
inline constexpr char kUntitled[] = "Untitled"; // the name of a document without a file
inline constexpr char kWindowFont[] = "ＭＳ ゴシック";

// ---- Commands ----------------------------------------------------------------

struct CommandText {
    const char *name;    // object name of the QAction
    const char *caption; // menu caption
    const char *hint;    // status-bar hint, "" for none
    const char *tip;     // speed-button tip, "" when the command has no button
    const char *keys;    // shortcut, "" for none
};

inline constexpr CommandText kFileDup{"mnuFileDup", "別のKelvraを起動する", "別のKelvraを起動します", "Kelvra", ""};
inline constexpr CommandText kFileNew{"mnuFileNew", "新規作成(&N)", "編集内容をクリアして新規の状態にします",
                                      "新規作成", "Ctrl+N"};
inline constexpr CommandText kFileOpen{"mnuFileOpen", "開く(&O)...", "既存のファイルを開きます", "開く", "Ctrl+O"};
inline constexpr CommandText kFileSave{"mnuFileSave", "上書保存(&S)", "編集内容を上書き保存します", "上書き保存",
                                       "Ctrl+S"};
inline constexpr CommandText kFileSaveAs{"mnuFileSaveAs", "名前をつけて保存(&A)...", "編集内容を名前をつけて保存します",
                                         "名前をつけて保存", ""};
inline constexpr CommandText kFilePrint{"mnuFilePrint", "印刷(&P)...", "編集中の内容を印刷します", "印刷", ""};
inline constexpr CommandText kFilePrintSetup{"mnuFilePrintSetup", "プリンタの設定(&R)...", "プリンタの設定を変更します",
                                             "", ""};
inline constexpr CommandText kFileExit{"mnuFileExit", "終了(&X)", "アプリケーションを終了します", "", "Ctrl+Q"};
inline constexpr CommandText kEditRichUndo{"mnuEditRichUndo", "整形前に戻す", "編集内容を整形前に戻します", "",
                                           "Ctrl+B"};
inline constexpr CommandText kEditUndo{"mnuEditUndo", "元に戻す(&U)", "編集操作をひとつ前に戻します", "元に戻す",
                                       "Ctrl+Z"};
inline constexpr CommandText kEditAll{"mnuEditAll", "全て選択(&A)", "編集内容をすべて選択状態にします", "全て選択",
                                      "Ctrl+A"};
inline constexpr CommandText kEditCut{"mnuEditCut", "切り取り(&T)", "選択された部分をクリップボードに切り出します",
                                      "切り取り", "Ctrl+X"};
inline constexpr CommandText kEditCopy{"mnuEditCopy", "コピー(&C)", "選択された部分をクリップボードにコピーします",
                                       "コピー", "Ctrl+C"};
inline constexpr CommandText kEditPaste{"mnuEditPaste", "貼り付け(&P)",
                                        "クリップボードの内容をカーソル位置に貼り付けます", "貼り付け", "Ctrl+V"};
inline constexpr CommandText kEditSerch{"mnuEditSerch", "検索(&F)...", "文字列の検索を行います", "検索", "Ctrl+F"};
inline constexpr CommandText kEditChange{"mnuEditChange", "置換(&R)...", "文字列の置換を行います", "置換", "Ctrl+R"};
inline constexpr CommandText kExeRun{"mnuExeRun", "整形実行(&G)", "整形処理を実行します", "整形実行", "Ctrl+G"};
inline constexpr CommandText kExeSpace{"mnuExeSpace", "行末スペース挿入(&P)", "各行にスペースを付加します", "", ""};
inline constexpr CommandText kExeS{"mnuExeS", "行末セミコロン挿入(&S)", "各行にセミコロン（；）を付加します", "", ""};
inline constexpr CommandText kExeComment{"mnuExeComment", "区切りコメント挿入(&C)",
                                         "行末がセミコロンの次行にコメント行を挿入します", "", ""};
inline constexpr CommandText kFormatFont{"mnuFormatFont", "フォント(&F)...", "編集画面のフォントを設定します", "", ""};
inline constexpr CommandText kFormatColour{"mnuFormatColor", "背景色(&C)...", "編集画面の背景色を設定します", "", ""};
inline constexpr CommandText kFormatSaveCheck{"mnuFormatSaveCheck", "上書保存は確認する",
                                              "チェックを付けると、上書保存する際に確認画面を表示します", "", ""};
inline constexpr CommandText kFormatIchi{"mnuFormatIchi", "終了時の表示位置を記憶する",
                                         "チェックを付けると、終了時の表示位置が次回の表示位置になります", "", ""};
inline constexpr CommandText kFormatSize{"mnuFormatSize", "終了時の画面サイズを記憶する",
                                         "チェックを付けると、終了時の画面サイズが次回の画面サイズになります", "", ""};
inline constexpr CommandText kFormatPath{"mnuFormatPath", "終了時のカレントパスを記憶する",
                                         "チェックを付けると、終了時の入出力パスが次回の入出力パスになります", "", ""};
inline constexpr CommandText kFormatYoyaku{"mnuFormatYoyaku", "予約語テーブル(&T)...",
                                           "整形処理に使用される予約語を解除する事ができます", "", ""};
inline constexpr CommandText kFormatLfSp{"mnuFormatLfSp", "改行は区切りと見なす",
                                         "チェックを付けると、改行を文字列の区切りと見なします", "", ""};
inline constexpr CommandText kCommaAfter{"mnuCommaAfter", "カンマの後で折り返す", "", "", ""};
inline constexpr CommandText kCommaBefore{"mnuCommaBefore", "カンマの前で折り返す", "", "", ""};
inline constexpr CommandText kFormatBold{"mnuFormatBold", "予約語は強調表示する",
                                         "チェックを付けると、整形処理で予約語を強調表示します。", "", ""};
inline constexpr CommandText kFormatKeepMeaning{"mnuFormatKeepMeaning", "意味を保つ",
                                                "チェックを付けると、方言のリテラル、クライアントの行コマンド、ブロック"
                                                "コメント内の改行を意味が変わらないように扱います",
                                                "", ""};
// The dialect submenu's items: which client and server readings a run keeps.
inline constexpr CommandText kDialectAny{
    "mnuDialectAny", "すべての読み方を保つ",
    "SQL*Plus、psql、mysql、sqlcmd のどれで読んでも意味が変わらないように整形します", "", ""};
inline constexpr CommandText kDialectOracle{"mnuDialectOracle", "Oracle (SQL*Plus)",
                                            "SQL*Plus と Oracle の読み方だけを保って整形します", "", ""};
inline constexpr CommandText kDialectPostgreSql{"mnuDialectPostgreSql", "PostgreSQL (psql)",
                                                "psql と PostgreSQL の読み方だけを保って整形します", "", ""};
inline constexpr CommandText kDialectMySql{"mnuDialectMySql", "MySQL (mysql)",
                                           "mysql クライアントと MySQL の読み方だけを保って整形します", "", ""};
inline constexpr CommandText kDialectSqlServer{"mnuDialectSqlServer", "SQL Server (sqlcmd)",
                                               "sqlcmd と SQL Server の読み方だけを保って整形します", "", ""};
inline constexpr CommandText kFormatMode{
    "mnuFormatMode", "簡易モードで整形する",
    "チェックを付けると、リテラル文字列、コメント、チューニングコードの待避処理を省略します", "", ""};
inline constexpr CommandText kHelpSQLHelp{
    "mnuHelpSQLHelp", "ＳＱＬオンラインリファレンス",
    "編集領域でＳＱＬの予約語を選択した場合、オンラインでリファレンスを表示します", "", "F1"};
inline constexpr CommandText kHelpHelp{"mnuHelpHelp", "ヘルプ", "操作説明書を開きます", "", ""};
inline constexpr CommandText kHelpAbout{"mnuHelpAbout", "バージョン情報(&A)...", "", "", ""};
inline constexpr CommandText kMarking{"pmnuMarking", "色付", "", "", ""};

// ---- Menus and status bar ----------------------------------------------------

inline constexpr char kFileMenu[] = "ファイル(&F)";
inline constexpr char kHistoryMenu[] = "履歴から開く(&R)...";
inline constexpr char kHistoryMenuHint[] = "以前に操作したファイルを開きます";
inline constexpr char kEditMenu[] = "編集(&E)";
inline constexpr char kExeMenu[] = "実行(&R)";
inline constexpr char kFormatMenu[] = "設定(&O)";
inline constexpr char kCommaMenu[] = "カンマ折り返し位置";
inline constexpr char kCommaMenuHint[] = "カンマの折り返し位置を設定します";
inline constexpr char kIndentMenu[] = "インデントの桁数";
inline constexpr char kIndentMenuHint[] = "整形時の段落桁数を設定します";
inline constexpr char kDialectMenu[] = "方言";
inline constexpr char kDialectMenuHint[] = "意味を保つ際に、どのクライアントとサーバーの読み方を保つかを設定します";
inline constexpr char kHelpMenu[] = "ヘルプ(&H)";

inline constexpr char kStandardMode[] = "標準モード";
inline constexpr char kSimpleMode[] = "簡易モード";
inline constexpr char kSaved[] = "上書き保存されました";

// ---- Message captions and common buttons -------------------------------------

inline constexpr char kErrorCaption[] = "エラー";
inline constexpr char kWarningCaption[] = "警告";
inline constexpr char kConfirmCaption[] = "確認";
inline constexpr char kYes[] = "はい(&Y)";
inline constexpr char kNo[] = "いいえ(&N)";
inline constexpr char kCancel[] = "キャンセル";
inline constexpr char kOk[] = "OK";

// ---- Documents ---------------------------------------------------------------

inline constexpr char kSaveChanges[] = "%1 を保存しますか？";               // %1: the document's path
inline constexpr char kFileNotFoundAt[] = "ファイルが見つかりません。\r\n"; // followed by the path
inline constexpr char kFileNotFound[] = "ファイルが見つかりません";
inline constexpr char kOpenReadOnlyAt[] = "システムファイル又は読み出し専用ファイルです。開きますか？\r\n"; // + path
inline constexpr char kOpenReadOnly[] = "システムファイル又は、読み出し専用ファイルです。開きますか？";
inline constexpr char kFolderCannotOpen[] = "ディレクトリーは開けられません。\r\n"; // followed by the path
inline constexpr char kSaveReadOnly[] =
    "このファイルはシステムファイル又は、読み出し専用ファイルです。\r\n名前を付けて保存して下さい。";
inline constexpr char kConfirmOverwrite[] = "上書き保存してよろしいですか？";
inline constexpr char kSaveAsTitle[] = "名前をつけて保存";
inline constexpr char kFileFilter[] = "Sql File (*.sql)|*.sql|Spool File (*.lst)|*.lst|Text File (*.txt)|*.txt|"
                                      "Log File (*.log)|*.log|All (*.*)|*.*";
// %1 path, %2 count, %3 the replacement character.
inline constexpr char kUndecodableBytes[] = "%1 には文字として読めないバイトが %2 箇所あります。\r\n"
                                            "読めない部分を「%3」に置き換えて開きますか？\r\n"
                                            "（置き換えた部分は保存すると元に戻りません）";
// %1 count, %2 the characters.
inline constexpr char kNotInShiftJis[] =
    "次の文字は Shift-JIS で保存できません（%1 箇所）：\r\n%2\r\n\r\n"
    "「はい」で UTF-8 として保存します。「いいえ」で置き換えて Shift-JIS のまま保存します。";
// %1 path, %2 the replacement character.
inline constexpr char kNotATextFile[] =
    "%1 はテキストファイルではありません（NUL バイトを含むか、UTF-16 のファイルです）。\r\n"
    "テキストとして開きますか？\r\n"
    "（読めない部分は「%2」に置き換わり、保存すると元に戻りません）";
// %1 count, %2 the characters.
inline constexpr char kRecodedCharacters[] =
    "次の文字は、このファイルの中で２種類のコードで書かれています（%1 箇所）：\r\n%2\r\n\r\n"
    "保存するとすべて同じコードで書き込まれます。保存しますか？";
// %1 the line end written ("CR+LF", "LF" or "CR").
inline constexpr char kMixedLineEnds[] = "このファイルには種類の違う改行が混在しています。\r\n"
                                         "保存するとすべての改行を %1 にそろえます。保存しますか？";
// %1 path, %2 the number of further names.
inline constexpr char kBreakHardLinks[] =
    "%1 には、ほかに %2 個の名前（ハードリンク）があります。\r\n"
    "「OK」でこの名前だけに新しい内容を保存します（ほかの名前は元の内容のまま残ります）。\r\n"
    "「キャンセル」で保存をやめます。元のファイルを残すには「名前を付けて保存」で別のファイルに保存して下さい。";
inline constexpr char kRevertQuestion[] = "整形前に戻しますか？";
// After a run whose result means something else than the text before it (%1 places, the first at line %2, column %3).
inline constexpr char kMeaningChanged[] = "意味が変わる箇所が %1 件あります（最初は %2 行 %3 桁）";
inline constexpr char kHelpFileMissing[] = "ヘルプファイルが見つかりません\r\n"; // followed by the path

// ---- Failures of the commands ------------------------------------------------

inline constexpr char kStartupFailed[] = "初期処理でエラーが発生しました";
inline constexpr char kDupFailed[] = "”別のＫｅｌｖｒａを起動する”でエラーが発生しました";
inline constexpr char kNewFailed[] = "”新規作成”でエラーが発生しました";
inline constexpr char kOpenFailed[] = "”開く”でエラーが発生しました";
inline constexpr char kSaveFailed[] = "”上書保存”でエラーが発生しました";
inline constexpr char kSaveAsFailed[] = "”名前を付けて保存”でエラーが発生しました";
inline constexpr char kSaveAsReadOnlyFailed[] = "上書き禁止の為、保存に失敗しました\r\n別の名前で保存して下さい";
inline constexpr char kHistoryFailed[] = "”履歴から開く”でエラーが発生しました";
inline constexpr char kDropFailed[] = "ファイルのドロップ処理でエラーが発生しました";
inline constexpr char kCloseFailed[] = "終了処理でエラーが発生しました";
inline constexpr char kExitFailed[] = "”終了”でエラーが発生しました\r\nWindowsのタスクから強制終了してください";
inline constexpr char kUndoFailed[] = "”元に戻す”でエラーが発生しました";
inline constexpr char kCutFailed[] = "”切り取り”でエラーが発生しました";
inline constexpr char kCopyFailed[] = "”コピー”でエラーが発生しました";
inline constexpr char kPasteFailed[] = "”貼り付け”でエラーが発生しました";
inline constexpr char kSelectAllFailed[] = "”すべて選択”でエラーが発生しました";
inline constexpr char kSpaceFailed[] = "行末スペース処理でエラーが発生しました";
inline constexpr char kSemicolonFailed[] = "行末セミコロン処理でエラーが発生しました";
inline constexpr char kSeparatorFailed[] = "区切りコメント挿入処理でエラーが発生しました";
inline constexpr char kFontFailed[] = "”フォント”でエラーが発生しました";
inline constexpr char kColourFailed[] = "”背景色”でエラーが発生しました";
inline constexpr char kPrintFailed[] = "”印刷”でエラーが発生しました";
inline constexpr char kPrintSetupFailed[] = "”印刷の設定”でエラーが発生しました";
inline constexpr char kHelpFailed[] = "”ヘルプ”でエラーが発生しました";
inline constexpr char kAboutFailed[] = "”バージョン情報”でエラーが発生しました";
inline constexpr char kRevertFailed[] = "”整形前に戻す”でエラーが発生しました";
inline constexpr char kYoyakuFailed[] = "”予約語テーブル”でエラーが発生しました";
inline constexpr char kSearchFailed[] = "”検索”でエラーが発生しました";
inline constexpr char kReplaceFailed[] = "”置換”でエラーが発生しました";
inline constexpr char kMarkingFailed[] = "”色付”でエラーが発生しました";
inline constexpr char kFormatFailed[] = "整形処理でエラーが発生しました";

// ---- Search and replace, its confirmation ------------------------------------

inline constexpr char kSearchDialogTitle[] = "検索／置換";
inline constexpr char kSearchTab[] = "検索";
inline constexpr char kReplaceTab[] = "置換";
inline constexpr char kSearchLabel[] = "検索文字列";
inline constexpr char kReplaceLabel[] = "置換文字列";
inline constexpr char kStartGroup[] = "検索開始位置";
inline constexpr char kFromStart[] = "最初から";
inline constexpr char kFromCaret[] = "カーソル位置から";
inline constexpr char kColourSample[] = "文字色\nMOJ\nI\nmoji";
inline constexpr char kResetColours[] = "全ての色を元に戻す";
inline constexpr char kSearchButton[] = "検索(&S)";
inline constexpr char kReplaceButton[] = "置換(&S)";
inline constexpr char kCloseSearch[] = "取消し(&C)";
inline constexpr char kNothingFound[] = "文字列は見つかりませんでした";
inline constexpr char kReplacedCount[] = "%1個中、%2個置換しました"; // %1 found, %2 replaced
inline constexpr char kFoundCount[] = "%1個見つかりました";
inline constexpr char kSearchRunFailed[] = "検索／置換処理でエラーが発生しました";
inline constexpr char kAskReplace[] = "置換しますか？";
inline constexpr char kAskMark[] = "検索文字に色を着けますか？";
inline constexpr char kAllYes[] = "すべてはい";
inline constexpr char kStop[] = "取消し";

// ---- Reserved-word table -----------------------------------------------------

inline constexpr char kKeyTitle[] = "予約語テーブル";
inline constexpr char kYoyakuTab[] = "予約語";
inline constexpr char kKansuTab[] = "関数";
inline constexpr char kYoyakuLabel[] = "チェックを付けると予約語として機能します";
inline constexpr char kKansuLabel[] = "チェックを付けると関数として機能します";
inline constexpr char kCheckAll[] = "全てチェック";
inline constexpr char kUncheckAll[] = "全て解除";
inline constexpr char kKeyCancel[] = "Cancel";
inline constexpr const char *kYoyakuNote[] = {
    "整形の基本は予約語をもとに行っ",
    "ています。",
    "予約語と認識されなければ通常の",
    "文字列として処理され折り返しな",
    "どの整形が行われなくなります。",
    "",
    "※チェックを外すことにより整形",
    "処理の時間が短縮されます。",
    "",
};
inline constexpr const char *kKansuNote[] = {
    "関数とは引数を持つ予約語のこと",
    "です。",
    "後ろに（ ）で括られた文字列を持",
    "つ予約語を指します。",
    "関数として認識されると閉じカッ",
    "コを検出するまで折り返し処理を",
    "しなくなります。",
    "引数が多い関数を使用している場",
    "合などは、チェックを外す事によ",
    "りカッコ内の引数もカンマ毎に折",
    "り返すようになります。",
    "",
    "※チェックが付いていても予約語",
    "から外れている場合は関数として",
    "認識されません。",
};

// ---- Progress, palette, about box, font dialog -------------------------------

inline constexpr char kProgressTitle[] = "処理中．．．";
inline constexpr char kInterrupt[] = "中断";
inline constexpr char kPaletteTitle[] = "■■■";
inline constexpr char kAboutTitle[] = "バージョン情報";
inline constexpr char kAboutFont[] = "ＭＳ Ｐゴシック";
inline constexpr char kMakerName[] = "Norvatek";
inline constexpr char kProductName[] = "Kelvra";
inline constexpr char kVersionText[] = "Version  1.09";
inline constexpr char kHomePageLabel[] = "HomePage";
inline constexpr char kMailLabel[] = "E-mail";
inline constexpr char kFontDialogTitle[] = "フォント";
inline constexpr char kFontColourButton[] = "色(&C)...";
inline constexpr char kFontColourLabel[] = "色:";
inline constexpr char kFontFamilyLabel[] = "フォント名(&F):";
inline constexpr char kFontStyleLabel[] = "スタイル(&Y):";
inline constexpr char kFontSizeLabel[] = "サイズ(&S):";
inline constexpr char kFontEffects[] = "文字飾り";
inline constexpr char kFontUnderline[] = "下線(&U)";
inline constexpr char kFontStrikeOut[] = "取り消し線(&K)";
inline constexpr char kFontSample[] = "AaBbＡａあア亜 SELECT";
inline constexpr char kColourDialogTitle[] = "色の設定";
inline constexpr char kBasicColours[] = "基本色:";
inline constexpr char kCustomColours[] = "作成した色:";

} // namespace kelvra::texts
