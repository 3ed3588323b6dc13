// SPDX-License-Identifier: MIT
#include "publish/gallery_page.h"

#include <algorithm>
#include <sstream>

#include "platform/paths.h"
#include "publish/page_text.h"

namespace {

// The grid gives every thumbnail a column of at least its own width, but
// never more than the screen: a phone shows one column, a wide screen many.
constexpr const char* kStyle = R"(<style>
*{box-sizing:border-box}
html{-webkit-text-size-adjust:100%}
body{margin:0;font:15px/1.4 system-ui,-apple-system,"Segoe UI",sans-serif;background:#fff;color:#222}
header{padding:16px 16px 8px}
h1{margin:0;font-size:1.5em;font-weight:600;overflow-wrap:anywhere}
main{display:grid;grid-template-columns:repeat(auto-fill,minmax(min(100%,@SIZE@px),1fr));gap:12px;padding:8px 16px 24px}
figure{margin:0;text-align:center;min-width:0}
figure a{display:inline-block;max-width:100%}
figure img{display:block;max-width:100%;height:auto;background:#eee}
figcaption{margin-top:4px;font-size:.85em;color:#555;overflow-wrap:anywhere}
#lightbox{position:fixed;inset:0;z-index:10;display:flex;flex-direction:column;align-items:center;justify-content:center;background:rgba(0,0,0,.92);color:#eee;touch-action:pan-y}
#lightbox[hidden]{display:none}
#lightbox img{max-width:100vw;max-height:calc(100vh - 4em);object-fit:contain}
#lightbox p{margin:.5em 1em;text-align:center;overflow-wrap:anywhere}
#lightbox button{position:absolute;border:0;background:none;color:#eee;font-size:2.5em;line-height:1;padding:.3em .5em;cursor:pointer}
#lightbox .close{top:0;right:0}
#lightbox .prev{left:0;top:50%;transform:translateY(-50%)}
#lightbox .next{right:0;top:50%;transform:translateY(-50%)}
</style>
)";

// Without script the links open the images themselves; with it a click
// opens the lightbox, which the arrow keys, swipes and Escape drive.
constexpr const char* kScript = R"(<script>
(function () {
  var links = Array.prototype.slice.call(document.querySelectorAll("main figure a"));
  var box = document.getElementById("lightbox");
  var img = box.querySelector("img"), text = box.querySelector("p");
  var current = -1, startX = null;
  function show(i) {
    current = (i + links.length) % links.length;
    var link = links[current];
    img.src = link.getAttribute("href");
    img.alt = link.querySelector("img").alt;
    text.textContent = link.getAttribute("data-caption") || "";
    box.hidden = false;
    box.focus();
  }
  function close() {
    box.hidden = true;
    img.removeAttribute("src");
    if (links[current]) links[current].focus();
  }
  links.forEach(function (link, i) {
    link.addEventListener("click", function (e) {
      if (e.button !== 0 || e.ctrlKey || e.metaKey || e.shiftKey || e.altKey) return;
      e.preventDefault();
      show(i);
    });
  });
  box.querySelector(".prev").addEventListener("click", function (e) { e.stopPropagation(); show(current - 1); });
  box.querySelector(".next").addEventListener("click", function (e) { e.stopPropagation(); show(current + 1); });
  box.querySelector(".close").addEventListener("click", close);
  box.addEventListener("click", function (e) { if (e.target === box) close(); });
  document.addEventListener("keydown", function (e) {
    if (box.hidden) return;
    if (e.key === "ArrowLeft") show(current - 1);
    else if (e.key === "ArrowRight") show(current + 1);
    else if (e.key === "Escape") close();
    else return;
    e.preventDefault();
  });
  box.addEventListener("touchstart", function (e) { startX = e.touches[0].clientX; }, {passive: true});
  box.addEventListener("touchend", function (e) {
    if (startX === null) return;
    var dx = e.changedTouches[0].clientX - startX;
    startX = null;
    if (Math.abs(dx) > 40) show(current + (dx < 0 ? 1 : -1));
  });
})();
</script>
)";

constexpr const char* kLightbox =
    "<div id=\"lightbox\" hidden tabindex=\"-1\" role=\"dialog\" aria-label=\"Photo\">"
    "<img alt=\"\"><p></p>"
    "<button class=\"prev\" type=\"button\" aria-label=\"Previous\">&#8249;</button>"
    "<button class=\"next\" type=\"button\" aria-label=\"Next\">&#8250;</button>"
    "<button class=\"close\" type=\"button\" aria-label=\"Close\">&#215;</button></div>\n";

// The screen the first screenful is counted on, and the room around a cell.
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kCellRoom = 12;

std::string Size(std::uint32_t nWidth, std::uint32_t nHeight) {
    return " width=\"" + std::to_string(nWidth) + "\" height=\"" + std::to_string(nHeight) + "\"";
}

std::string Entry(const GalleryRecord& r, const GalleryOptions& options,
                  const std::string& strOriginals, bool bLazy) {
    const std::string strName = RelativeUrl(r.strOutName);
    const std::string strThumb = std::string(kGalleryThumbFolder) + "/" + strName;
    const std::string strThumb2x = std::string(kGalleryThumb2xFolder) + "/" + strName;
    const std::string strTarget = options.bLinkOriginals || r.nWebWidth == 0
                                      ? strOriginals + RelativeUrl(r.strFileName)
                                      : std::string(kGalleryWebFolder) + "/" + strName;
    const std::string strAlt = r.strDescription.empty() ? r.strFileName : r.strDescription;
    const std::string strCaption = GalleryCaption(r, options.nCaptions);
    std::string s = "<figure><a href=\"" + HtmlText(strTarget) + "\"";
    if (!strCaption.empty()) s += " data-caption=\"" + HtmlText(strCaption) + "\"";
    s += "><img src=\"" + HtmlText(strThumb) + "\"";
    if (r.nThumb2xWidth > r.nThumbWidth)
        s += " srcset=\"" + HtmlText(strThumb) + " 1x, " + HtmlText(strThumb2x) + " 2x\"";
    s += Size(r.nThumbWidth, r.nThumbHeight) + " alt=\"" + HtmlText(strAlt) + "\"";
    if (bLazy) s += " loading=\"lazy\"";
    s += "></a>";
    if (!strCaption.empty()) s += "<figcaption>" + HtmlText(strCaption) + "</figcaption>";
    return s + "</figure>\n";
}

// The folders of a path from the root, "." and ".." resolved.
std::vector<std::string> Steps(const std::string& strPath) {
    std::vector<std::string> v;
    std::istringstream in(AbsoluteFolder(strPath));
    for (std::string strStep; std::getline(in, strStep, '/');)
        if (!strStep.empty()) v.push_back(strStep);
    return v;
}

}  // namespace

std::string GalleryCaption(const GalleryRecord& r, GalleryCaptions nCaptions) {
    if (nCaptions == GalleryCaptions::Name) return r.strFileName;
    if (nCaptions != GalleryCaptions::Exif) return {};
    std::string s;
    for (const std::string* p : {&r.strTaken, &r.strCamera, &r.strExposure}) {
        if (p->empty()) continue;
        if (!s.empty()) s += " \xC2\xB7 ";  // a middle dot between the facts
        s += *p;
    }
    return s;
}

std::size_t GalleryEagerCount(int nThumbSize) {
    const int nCell = std::max(nThumbSize, 1) + kCellRoom;
    const int nColumns = std::max(1, kScreenWidth / nCell);
    const int nRows = kScreenHeight / nCell + 1;
    return std::size_t(nColumns) * std::size_t(nRows);
}

std::string GalleryPageText(const std::vector<GalleryRecord>& vRecords,
                            const GalleryOptions& options, const std::string& strTitle,
                            const std::string& strOriginals) {
    const std::string strHtmlTitle = HtmlText(strTitle);
    std::string strStyle = kStyle;
    const std::string strKey = "@SIZE@";
    strStyle.replace(strStyle.find(strKey), strKey.size(), std::to_string(options.nThumbSize));
    std::string s =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"Galerio\">\n<title>" +
        strHtmlTitle + "</title>\n" + strStyle + "</head>\n<body>\n<header><h1>" + strHtmlTitle +
        "</h1></header>\n<main>\n";
    const std::size_t nEager = GalleryEagerCount(options.nThumbSize);
    for (std::size_t i = 0; i < vRecords.size(); ++i)
        s += Entry(vRecords[i], options, strOriginals, i >= nEager);
    return s + "</main>\n" + kLightbox + kScript + "</body>\n</html>\n";
}

std::string RelativeFolderUrl(const std::string& strFrom, const std::string& strTo) {
    const std::vector<std::string> vFrom = Steps(strFrom), vTo = Steps(strTo);
    std::size_t nSame = 0;
    while (nSame < vFrom.size() && nSame < vTo.size() && vFrom[nSame] == vTo[nSame]) ++nSame;
    std::string s;
    for (std::size_t i = nSame; i < vFrom.size(); ++i) s += "../";
    for (std::size_t i = nSame; i < vTo.size(); ++i) s += RelativeUrl(vTo[i]) + "/";
    return s;
}
