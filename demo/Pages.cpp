#include "demo/Pages.h"

#include <array>
#include <string>

namespace demo {
namespace {

constexpr std::array<Category, 12> kCategories{{{1, "动作片"},
                                                {2, "喜剧片"},
                                                {3, "爱情片"},
                                                {4, "科幻片"},
                                                {5, "恐怖片"},
                                                {7, "剧情片"},
                                                {8, "动画片"},
                                                {9, "综艺片"},
                                                {10, "国产片"},
                                                {11, "港台片"},
                                                {12, "日韩片"},
                                                {13, "欧美片"}}};

// Made-up films; every title is an invention of this demo.
struct Film {
  int dir;
  const char* title;
  int year;
  const char* score;
};

constexpr Film kFilms[] = {
    {1, "铁壁孤城", 2023, "8.1"},         {1, "疾风追凶", 2022, "7.6"},
    {1, "暗河行动", 2021, "7.2"},         {1, "破晓突围", 2023, "6.9"},
    {2, "我的邻居是外星人", 2023, "7.8"}, {2, "一路向南吃到饱", 2022, "7.1"},
    {2, "老板请放假", 2021, "6.8"},       {2, "胖叔的奇妙假期", 2020, "7.3"},
    {3, "夏末的风铃", 2023, "8.0"},       {3, "等你到雨停", 2022, "7.4"},
    {3, "半城烟火", 2021, "7.0"},         {3, "第十三封信", 2019, "7.7"},
    {4, "星海拾光", 2023, "8.4"},         {4, "第七轨道", 2022, "7.9"},
    {4, "零点回声", 2021, "7.5"},         {4, "深空信标", 2020, "7.1"},
    {5, "午夜旧楼", 2023, "6.6"},         {5, "镜中来客", 2022, "6.9"},
    {5, "雾山村", 2021, "7.2"},           {5, "无声回廊", 2019, "6.4"},
    {7, "父亲的渡口", 2023, "8.6"},       {7, "小镇邮差", 2022, "8.2"},
    {7, "长河之上", 2021, "7.9"},         {7, "冬日归途", 2020, "7.6"},
    {8, "竹林小侠", 2023, "8.3"},         {8, "云朵里的猫", 2022, "8.5"},
    {8, "月亮船长", 2021, "7.8"},         {8, "萤火森林", 2020, "8.0"},
    {9, "周末大厨房", 2023, "7.0"},       {9, "歌声漂流记", 2023, "7.4"},
    {9, "一起去露营", 2022, "6.9"},       {9, "谁是答题王", 2021, "6.5"},
    {10, "江城往事", 2023, "8.0"},        {10, "北方的雪", 2022, "7.7"},
    {10, "茶山人家", 2021, "7.5"},        {10, "青石巷", 2020, "7.9"},
    {11, "霓虹街角", 2023, "7.6"},        {11, "九龙夜雨", 2022, "7.8"},
    {11, "台北慢车", 2021, "7.3"},        {11, "码头风云", 2019, "7.0"},
    {12, "樱花坂的约定", 2023, "7.9"},    {12, "汉江晨光", 2022, "7.5"},
    {12, "海边便利店", 2021, "8.1"},      {12, "红叶之约", 2020, "7.2"},
    {13, "荒原骑士", 2023, "7.7"},        {13, "雾都密码", 2022, "7.4"},
    {13, "最后的灯塔", 2021, "8.2"},      {13, "北极星号", 2020, "7.0"},
};

constexpr const char* kStyle = R"(
body{margin:0;font-family:"WenQuanYi Zen Hei","Noto Sans CJK SC",sans-serif;font-size:13px;
color:#222;background:#f2f3f5}
a{color:#1a5fb4;text-decoration:none}
.band{height:32px;line-height:32px;padding:0 16px;background:#1d2433;color:#8a93a6;font-size:12px}
.head{height:52px;display:flex;align-items:center;padding:0 16px;background:#fff;
border-bottom:1px solid #dde}
.logo{font-size:22px;font-weight:bold;color:#c01c28}
.sub{margin-left:12px;color:#888}
.nav{height:32px;padding:0 10px;background:#c01c28;white-space:nowrap;overflow:hidden}
.nav a{display:inline-block;line-height:32px;padding:0 9px;color:#fff}
.nav a.on{background:#8f1520}
.sec{margin:0;padding:10px 16px 8px;font-size:15px}
.grid{display:grid;grid-template-columns:repeat(6,1fr);gap:12px;padding:0 16px}
.card{display:block;color:#222}
.poster{height:150px;border-radius:4px;position:relative;color:#fff;overflow:hidden}
.poster span{position:absolute;left:8px;right:8px;bottom:10px;font-size:16px;font-weight:bold;
text-shadow:0 1px 3px #000}
.poster em{position:absolute;top:6px;right:6px;font-style:normal;background:#f5a623;
color:#222;padding:0 5px;border-radius:3px}
.cap{height:22px;line-height:22px;color:#666}
.list{margin:0 16px;border-collapse:collapse;width:953px;background:#fff}
.list th,.list td{border:1px solid #dde;padding:7px 10px;text-align:left}
.list th{background:#eef0f4}
.box{margin:12px 16px;padding:14px 16px;background:#fff;border:1px solid #dde;border-radius:4px}
.foot{padding:8px 16px;color:#999;font-size:12px}
)";

std::string Document(std::string_view title, std::string_view body, bool declareCharset) {
  std::string html = "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n";
  if (declareCharset) html += "<meta charset=\"utf-8\">\n";
  html += "<title>";
  html += title;
  html += "</title>\n<style>";
  html += kStyle;
  html += "</style>\n</head>\n<body>\n";
  html += body;
  html += "\n</body>\n</html>\n";
  return html;
}

std::string CategoryPath(int dir) {
  return "/yun/move/list.asp?dir=" + std::to_string(dir) + ".html";
}

// The top 32 pixels of the cinema pages lie above the main window's client area.
std::string CinemaHeader(int currentDir) {
  std::string html =
      "<div class=\"band\">Quorin 演示门户 · 本站影片均为虚构</div>\n"
      "<div class=\"head\"><span class=\"logo\">高清影院</span>"
      "<span class=\"sub\">海量高清影片 · 在线云播放</span></div>\n<div class=\"nav\">";
  html += currentDir == 0 ? "<a class=\"on\" href=\"/yun/move\">首页</a>"
                          : "<a href=\"/yun/move\">首页</a>";
  for (const Category& category : kCategories) {
    html += category.dir == currentDir ? "<a class=\"on\" href=\"" : "<a href=\"";
    html += CategoryPath(category.dir) + "\">" + category.name + "</a>";
  }
  html += "</div>\n";
  return html;
}

}  // namespace

std::span<const Category> Categories() {
  return kCategories;
}

const Category* FindCategory(std::string_view dirValue) {
  for (const Category& category : kCategories) {
    if (dirValue == std::to_string(category.dir) + ".html") return &category;
  }
  return nullptr;
}

std::string CinemaPage() {
  std::string body = CinemaHeader(0) + "<h2 class=\"sec\">最新上映</h2>\n<div class=\"grid\">\n";
  // The newest film of each category, each a way into its category page.
  int hue = 0;
  for (const Category& category : kCategories) {
    const Film* film = nullptr;
    for (const Film& candidate : kFilms) {
      if (candidate.dir == category.dir) {
        film = &candidate;
        break;
      }
    }
    body += "<a class=\"card\" href=\"" + CategoryPath(category.dir) +
            "\"><div class=\"poster\" style=\"background:linear-gradient(160deg,hsl(" +
            std::to_string(hue) + ",55%,52%),hsl(" + std::to_string(hue + 40) +
            ",60%,22%))\"><span>" + film->title + "</span><em>" + film->score +
            "</em></div><div class=\"cap\">" + category.name + " · " + std::to_string(film->year) +
            "</div></a>\n";
    hue += 30;
  }
  body +=
      "</div>\n<div class=\"foot\">演示站点：影片名称与简介纯属虚构，不提供任何视频内容。</div>";
  return Document("高清影院 - 在线云播放", body, true);
}

std::string CategoryPage(const Category& category) {
  std::string body = CinemaHeader(category.dir) + "<h2 class=\"sec\">" + category.name +
                     "</h2>\n<table class=\"list\">\n<tr><th>序号</th><th>片名</th><th>年份</th>"
                     "<th>评分</th><th>清晰度</th><th>观看</th></tr>\n";
  int number = 0;
  for (const Film& film : kFilms) {
    if (film.dir != category.dir) continue;
    body += "<tr><td>" + std::to_string(++number) + "</td><td>《" + film.title + "》</td><td>" +
            std::to_string(film.year) + "</td><td>" + film.score +
            "</td><td>1080P</td><td><a href=\"/yun/111\">云播放</a></td></tr>\n";
  }
  body += "</table>\n<div class=\"foot\">共 " + std::to_string(number) +
          " 部影片 · <a href=\"/yun/move\">返回首页</a></div>";
  return Document(std::string(category.name) + " - 高清影院", body, false);
}

std::string NoSuchCategoryPage() {
  return Document("没有这个分类 - 高清影院",
                  CinemaHeader(-1) +
                      "<div class=\"box\"><b>没有这个分类。</b>请从上方导航选择影片分类，"
                      "或<a href=\"/yun/move\">返回首页</a>。</div>",
                  false);
}

std::string LiveTvPage() {
  struct Channel {
    const char* name;
    const char* now;
    const char* next;
  };
  static constexpr Channel kChannels[] = {
      {"云视综合", "19:00 城市新闻联播", "19:30 天气与出行"},
      {"云视新闻", "整点新闻直播间", "环球视野"},
      {"云视体育", "篮球联赛：东港 vs 西岭", "体坛快讯"},
      {"云视电影", "《长河之上》", "《江城往事》"},
      {"云视少儿", "竹林小侠 第 12 集", "云朵里的猫 第 3 集"},
      {"云视音乐", "午后金曲", "新歌速递"},
  };
  std::string body =
      "<div class=\"head\" style=\"height:64px;align-items:flex-end;padding-bottom:8px\">"
      "<span class=\"logo\">电视直播</span><span class=\"sub\">云视直播 · 高清流畅 · "
      "24 小时不间断</span></div>\n<h2 class=\"sec\">正在直播</h2>\n"
      "<div class=\"grid\" style=\"grid-template-columns:repeat(3,1fr);width:915px\">\n";
  int hue = 200;
  for (const Channel& channel : kChannels) {
    body += "<div class=\"box\" style=\"margin:0;border-top:4px solid hsl(" + std::to_string(hue) +
            ",60%,45%)\"><b style=\"font-size:16px\">" + channel.name + "</b><p>正在播出：" +
            channel.now + "</p><p style=\"color:#888\">下一节目：" + channel.next +
            "</p><a href=\"#\">进入直播 ›</a></div>\n";
    hue += 27;
  }
  body += "</div>\n<div class=\"foot\">演示站点：频道与节目均为虚构，不提供直播信号。</div>";
  return Document("电视直播 - 云视直播", body, true);
}

std::string TorrentPlayerPage() {
  static constexpr const char* kPopular[] = {
      "星海拾光.1080P.mkv  2.1 GB", "云朵里的猫.国语.mp4  1.4 GB", "父亲的渡口.HD.mkv  2.6 GB",
      "九龙夜雨.粤语.mp4  1.8 GB",  "海边便利店.中字.mkv  1.9 GB", "最后的灯塔.1080P.mkv  2.3 GB",
  };
  std::string body =
      "<div class=\"head\"><span class=\"logo\">BT云播放</span>"
      "<span class=\"sub\">种子、磁力与视频地址，边下边播</span></div>\n"
      "<div style=\"display:flex;gap:14px;padding:12px 16px\">\n"
      "<div style=\"flex:0 0 620px;height:340px;background:#111;color:#bbb;display:flex;"
      "align-items:center;justify-content:center;text-align:center;border-radius:4px\">"
      "<div><div style=\"font-size:40px;color:#555\">▶</div>"
      "把种子链接或视频地址粘贴到下方输入框，<br>点「播放」即可在线观看。</div></div>\n"
      "<div class=\"box\" style=\"margin:0;flex:1\"><b>热门资源</b><ol "
      "style=\"padding-left:20px\">";
  for (const char* item : kPopular)
    body += std::string("<li style=\"margin:6px 0\">") + item + "</li>";
  body +=
      "</ol><a href=\"/yun\">上传种子 ›</a></div>\n</div>\n"
      "<div class=\"foot\">使用方法：1. 复制种子链接或视频地址；2. 点击下方「粘帖并播放」。"
      "演示站点不提供任何视频内容。</div>";
  return Document("BT云播放", body, true);
}

std::string TorrentUploadPage() {
  const std::string body =
      "<div class=\"head\"><span class=\"logo\">上传种子</span>"
      "<span class=\"sub\">上传后即可云播放</span></div>\n"
      "<div class=\"box\"><form method=\"get\" action=\"/yun\">"
      "<p>选择种子文件（.torrent，不超过 2 MB）：</p><p><input type=\"file\" name=\"torrent\" "
      "accept=\".torrent\"> <button type=\"submit\">开始上传</button></p></form>"
      "<p id=\"got\" style=\"color:#2a7a2a\"></p>"
      "<p style=\"color:#888\">演示站点不保存任何文件。</p>"
      "<a href=\"/yun/111\">返回 BT云播放 ›</a></div>"
      // The form sends only the file's name; the page says which one arrived, so that a
      // press of the button does not look lost.
      "<script>const got = new URLSearchParams(location.search).get('torrent');"
      "if (got) document.getElementById('got').textContent = '已收到种子：' + got;</script>";
  return Document("上传种子 - BT云播放", body, true);
}

std::string ResolverPage(std::string_view url) {
  std::string body =
      "<div class=\"head\"><span class=\"logo\">视频解析</span>"
      "<span class=\"sub\">在线视频地址解析</span></div>\n<div class=\"box\"><p>收到的地址：</p>"
      "<p id=\"url\" style=\"font-family:monospace;font-size:14px;word-break:break-all\">";
  body += url.empty() ? "（空）" : HtmlEscape(url);
  body += "</p><p style=\"color:#888\">演示服务只显示收到的地址，不提供视频内容。</p></div>";
  return Document("视频解析", body, true);
}

std::string MakerHomePage(std::string_view version) {
  std::string body =
      "<div class=\"head\"><span class=\"logo\">Quorin 高清云播放器</span>"
      "<span class=\"sub\">官方网站</span></div>\n<div class=\"box\"><p style=\"font-size:16px\">"
      "高清影院、电视直播、BT云播放，一个窗口全部搞定。</p><p>最新版本：";
  body += HtmlEscape(version);
  body += "</p><p><a href=\"/download/Quorin.exe\">立即下载 ›</a></p></div>";
  return Document("Quorin 高清云播放器 - 官方网站", body, true);
}

std::string DownloadPage(std::string_view version, std::string_view installerPath,
                         std::size_t installerSize) {
  std::string body =
      "<div class=\"head\"><span class=\"logo\">下载 Quorin 高清云播放器</span></div>\n"
      "<div class=\"box\"><p>版本 ";
  body += HtmlEscape(version);
  body += "，安装程序 <a href=\"" + HtmlEscape(installerPath) + "\">" + HtmlEscape(installerPath) +
          "</a>（" + std::to_string((installerSize + 1023) / 1024) + " KB）</p>";
  body += "<p style=\"color:#888\">已安装的播放器启动时会自动检查新版本。</p></div>";
  return Document("下载 - Quorin 高清云播放器", body, true);
}

std::string NotFoundPage(std::string_view path) {
  return Document("页面不存在",
                  "<div class=\"box\"><b>404：页面不存在</b><p>" + HtmlEscape(path) + "</p></div>",
                  true);
}

std::string FlashMovie() {
  // Header "FWS", version 6, total length 17, an empty frame rectangle, 12 frames per
  // second, one frame; then ShowFrame and End tags.
  static constexpr unsigned char kMovie[] = {'F',  'W',  'S',  6,    17,   0, 0, 0, 0,
                                             0x00, 0x0C, 0x01, 0x00, 0x40, 0, 0, 0};
  return std::string(reinterpret_cast<const char*>(kMovie), sizeof kMovie);
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace demo
