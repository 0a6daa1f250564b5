#include "browser/pageactions.h"

#include <QAction>
#include <QWebEnginePage>

#include <utility>

namespace {

using Page = QWebEnginePage;

// The words of common Japanese browsers.
constexpr std::pair<Page::WebAction, const char *> kTexts[] = {
    { Page::Back, "戻る" },
    { Page::Forward, "進む" },
    { Page::Stop, "中止" },
    { Page::Reload, "再読み込み" },
    { Page::ReloadAndBypassCache, "キャッシュを使わずに再読み込み" },
    { Page::Cut, "切り取り" },
    { Page::Copy, "コピー" },
    { Page::Paste, "貼り付け" },
    { Page::Undo, "元に戻す" },
    { Page::Redo, "やり直し" },
    { Page::SelectAll, "すべて選択" },
    { Page::PasteAndMatchStyle, "スタイルを合わせて貼り付け" },
    { Page::OpenLinkInThisWindow, "リンクを開く" },
    { Page::OpenLinkInNewWindow, "リンクを新しいウィンドウで開く" },
    { Page::OpenLinkInNewTab, "リンクを新しいタブで開く" },
    { Page::OpenLinkInNewBackgroundTab, "リンクを背面の新しいタブで開く" },
    { Page::CopyLinkToClipboard, "リンクのアドレスをコピー" },
    { Page::DownloadLinkToDisk, "名前を付けてリンク先を保存" },
    { Page::CopyImageToClipboard, "画像をコピー" },
    { Page::CopyImageUrlToClipboard, "画像のアドレスをコピー" },
    { Page::DownloadImageToDisk, "名前を付けて画像を保存" },
    { Page::CopyMediaUrlToClipboard, "メディアのアドレスをコピー" },
    { Page::ToggleMediaControls, "コントロールを表示" },
    { Page::ToggleMediaLoop, "ループ再生" },
    { Page::ToggleMediaPlayPause, "再生/一時停止" },
    { Page::ToggleMediaMute, "ミュート" },
    { Page::DownloadMediaToDisk, "名前を付けてメディアを保存" },
    { Page::InspectElement, "検証" },
    { Page::ExitFullScreen, "全画面表示を終了" },
    { Page::RequestClose, "閉じる" },
    { Page::Unselect, "選択を解除" },
    { Page::SavePage, "名前を付けてページを保存" },
    { Page::ViewSource, "ページのソースを表示" },
    { Page::ToggleBold, "太字" },
    { Page::ToggleItalic, "斜体" },
    { Page::ToggleUnderline, "下線" },
    { Page::ToggleStrikethrough, "取り消し線" },
    { Page::AlignLeft, "左揃え" },
    { Page::AlignCenter, "中央揃え" },
    { Page::AlignRight, "右揃え" },
    { Page::AlignJustified, "両端揃え" },
    { Page::Indent, "インデントを増やす" },
    { Page::Outdent, "インデントを減らす" },
    { Page::InsertOrderedList, "番号付きリスト" },
    { Page::InsertUnorderedList, "箇条書き" },
};

} // namespace

void setJapaneseActionTexts(QWebEnginePage *page)
{
    for (const auto &[action, text] : kTexts)
        page->action(action)->setText(QString::fromUtf8(text));
}
