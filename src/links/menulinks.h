#pragma once

#include "links/hosts.h"

#include <QString>

#include <array>
#include <cstddef>
#include <span>

// One entry of the settings window's link menus: its caption (UTF-8) and the page it opens,
// a host of the hosts table and a path.
struct MenuLink
{
    const char *caption;
    Host host;
    const char *path;
};

// The サイト(&G) menu: a directory of the portal, one fixed page per entry. The menus are
// built from these rows and entry i of a submenu opens row i.
namespace sitelinks {

inline constexpr MenuLink kTop{ "トップ", Host::PortalMain, "/" };

inline constexpr std::array<MenuLink, 8> kShopping{ {
        { "デパート", Host::DepartmentStore, "/" },
        { "本・コミック", Host::PortalNational, "/r/books" },
        { "オークション", Host::PortalNational, "/r/auction" },
        { "旅行", Host::PortalNational, "/r/travel" },
        { "出張", Host::PortalNational, "/r/biztrip" },
        { "DVDレンタル『ぽすれん』", Host::DvdRental, "/" },
        { "リサイクル", Host::Recycling, "/" },
        { "Ｔシャツ", Host::PortalNational, "/r/t-select" },
} };

inline constexpr std::array<MenuLink, 5> kInformation{ {
        { "ニュース", Host::PortalMain, "/r/news" },
        { "天気", Host::PortalMain, "/r/weather" },
        { "スポーツ", Host::PortalMain, "/r/sports" },
        { "ファイナンス・株取引", Host::PortalMain, "/r/finance" },
        { "コンピュータ", Host::PortalMain, "/r/computers" },
} };

inline constexpr std::array<MenuLink, 11> kHobby{ {
        { "映画", Host::PortalMain, "/r/movie" },
        { "ゲーム", Host::PortalMain, "/r/game" },
        { "占い", Host::PortalMain, "/r/fortune" },
        { "懸賞", Host::PortalMain, "/r/present" },
        { "自動車", Host::PortalMain, "/r/autos" },
        { "ゴルフ", Host::PortalMain, "/r/golf" },
        { "テレビ", Host::PortalMain, "/r/tv" },
        { "動画", Host::PortalMain, "/r/stream" },
        { "出版", Host::PortalMain, "/r/publishing" },
        { "ネットラジオ", Host::PortalMain, "/r/ladio" },
        { "コスプレ", Host::PortalMain, "/r/cure" },
} };

inline constexpr std::array<MenuLink, 5> kPracticality{ {
        { "地図", Host::PortalMain, "/r/map" },
        { "路線", Host::PortalMain, "/r/transit" },
        { "電話帳", Host::PortalMain, "/r/phonebook" },
        { "辞書", Host::PortalMain, "/r/dic" },
        { "翻訳", Host::PortalMain, "/r/translate" },
} };

inline constexpr std::array<MenuLink, 7> kLife{ {
        { "グルメ", Host::PortalMain, "/r/gourmet" },
        { "仕事", Host::PortalMain, "/r/career" },
        { "学習", Host::PortalMain, "/r/edu" },
        { "アンケート", Host::PortalMain, "/r/voice" },
        { "不動産", Host::PortalMain, "/r/realestate" },
        { "ビューティーライフ", Host::PortalMain, "/r/beautylife" },
        { "美容整形", Host::PortalMain, "/r/allnavi_beauty" },
} };

inline constexpr std::array<MenuLink, 10> kPartner{ {
        { "知り合い", Host::PortalMain, "/r/fp" },
        { "ブログ", Host::PortalMain, "/r/blog" },
        { "掲示板", Host::PortalMain, "/r/messages" },
        { "チャット", Host::PortalMain, "/r/chat" },
        { "友だち", Host::PortalMain, "/r/amigo" },
        { "恋人", Host::PortalMain, "/r/yyclub" },
        { "アバター", Host::PortalMain, "/r/avatar" },
        { "フォト", Host::PortalMain, "/r/photo" },
        { "ネットカード", Host::PortalMain, "/r/netcard" },
        { "結婚相手", Host::DeaiStation, "/ds/index_age.html" },
} };

inline constexpr std::array<MenuLink, 5> kIt{ {
        { "リナックス", Host::PortalMain, "/r/linux" },
        { "インターネット接続", Host::PortalMain, "/r/isp" },
        { "スカイプ", Host::PortalMain, "/r/skype" },
        { "レンタル掲示板", Host::PortalMain, "/r/rentalbbs" },
        { "ソフトウェア", Host::PortalMain, "/r/soft" },
} };

inline constexpr MenuLink kKabu{ "ライブドア証券", Host::Securities, "/" };
inline constexpr MenuLink kCredit{ "ライブドアクレジット", Host::Credit, "/" };
inline constexpr MenuLink kWoogo{ "WOO-GO", Host::WooGo, "/index.jsp" };

} // namespace sitelinks

// The tray menu's portal submenu "ライブドア": entry i opens row i.
namespace traylinks {
inline constexpr std::array<MenuLink, 5> kLivedoor{ {
        { "TOP", Host::PortalMain, "/" },
        { "デパート", Host::DepartmentStore, "/" },
        { "ブログ", Host::Blog, "/" },
        { "掲示板", Host::FinanceBoard, "/category/" },
        { "ぽすれん", Host::DvdRental, "/" },
} };
} // namespace traylinks

// The maker's pages: one for the series, one per edition of the product family.
namespace makerpages {
inline constexpr char kSeries[] = "/";
inline constexpr char kYahoo[] = "/yahoo/";
inline constexpr char kRakuten[] = "/rakuten/";
inline constexpr char kBidders[] = "/bidders/";
inline constexpr char kLivedoor[] = "/livedoor/";
inline constexpr char kMulti[] = "/multi/";
// The page of this edition, shared by help, the latest version and its series entry.
inline constexpr const char *kEdition = kLivedoor;
} // namespace makerpages

// The product entries of the その他(&O) menu.
namespace productlinks {

inline constexpr MenuLink kHelp{ "ヘルプ(&H)", Host::Maker, makerpages::kEdition };
inline constexpr MenuLink kNew{ "最新版(&N)", Host::Maker, makerpages::kEdition };

inline constexpr std::array<MenuLink, 6> kSeries{ {
        { "ヨルミシリーズ", Host::Maker, makerpages::kSeries },
        { "ヨルミ＠ヤフー", Host::Maker, makerpages::kYahoo },
        { "ヨルミ＠楽天", Host::Maker, makerpages::kRakuten },
        { "ヨルミ＠ビッダーズ", Host::Maker, makerpages::kBidders },
        { "ヨルミ＠ライブドア", Host::Maker, makerpages::kEdition },
        { "ヨルミ＠マルチ", Host::Maker, makerpages::kMulti },
} };

} // namespace productlinks

// "http://<host><path>" of a link.
QString linkUrl(const MenuLink &link);

// Row `index` of a menu's table; null for an index without a row.
const MenuLink *linkAt(std::span<const MenuLink> links, qint16 index);

// A table's captions in row order, to build its menu from.
template<std::size_t N>
std::array<QString, N> linkCaptions(const std::array<MenuLink, N> &links)
{
    std::array<QString, N> captions;
    for (std::size_t i = 0; i < N; ++i)
        captions[i] = QString::fromUtf8(links[i].caption);
    return captions;
}
