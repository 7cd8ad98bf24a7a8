#pragma once

#include <span>
#include <string>
#include <string_view>

namespace demo {

// The portal's film categories; the number is the "dir" of the category page.
struct Category {
  int dir;
  const char* name;
};

std::span<const Category> Categories();
// The category a page's "dir" query value ("7.html") names, or null.
const Category* FindCategory(std::string_view dirValue);

// Every page below is UTF-8 text. Those served with a declared charset say so in a
// meta element; the category pages declare none and are served in GBK.
std::string CinemaPage();
std::string CategoryPage(const Category& category);
std::string NoSuchCategoryPage();
std::string LiveTvPage();
std::string TorrentPlayerPage();
std::string TorrentUploadPage();
std::string ResolverPage(std::string_view url);
std::string MakerHomePage(std::string_view version);
std::string DownloadPage(std::string_view version, std::string_view installerPath,
                         std::size_t installerSize);
std::string NotFoundPage(std::string_view path);

// A minimal valid Flash movie: one empty frame.
std::string FlashMovie();

std::string HtmlEscape(std::string_view text);

}  // namespace demo
