// The pure functions of the windows, one table file of tests/data each: every row names the function,
// its arguments and what it gives.
#include <gtest/gtest.h>

#include <QString>
#include <sstream>

#include "document/Markers.h"
#include "support/TestSupport.h"
#include "ui/UiTestHelpers.h"
#include "ui/conflict/BoxText.h"
#include "ui/conflict/ConflictLayout.h"
#include "ui/conflict/DiffMarking.h"
#include "ui/desktop/LocaleTime.h"
#include "ui/desktop/Settings.h"
#include "ui/main/CommandLine.h"

namespace korvane {
namespace {

using Out = std::vector<std::string>;

std::u16string utf16(const std::string& utf8) {
    return QString::fromUtf8(utf8).toStdU16String();
}
std::string utf8(std::u16string_view text) {
    return QString::fromStdU16String(std::u16string(text)).toStdString();
}

// The values, separated by spaces.
template <class... Values>
std::string words(const Values&... values) {
    std::ostringstream s;
    ((s << values << ' '), ...);
    return s.str().substr(0, s.str().size() - 1);
}

// The bold parts of a text, in order, joined by "|".
std::string boldParts(std::u16string_view text, const std::vector<BoldRange>& ranges) {
    std::string out;
    for (const BoldRange& r : ranges) {
        EXPECT_LT(r.start, r.end);
        EXPECT_LE(r.end, text.size());
        out += (out.empty() ? "" : "|") + utf8(text.substr(r.start, r.end - r.start));
    }
    return out;
}

// A row's two texts marked by `mark`: the bold parts of each.
auto marking(DiffMarks (*mark)(std::u16string_view, std::u16string_view)) {
    return [mark](const test::TableRow& r) {
        const std::u16string local = utf16(r.in[1]), server = utf16(r.in[2]);
        const DiffMarks marks = mark(local, server);
        return Out{boldParts(local, marks.local), boldParts(server, marks.server)};
    };
}

const std::map<std::string, std::function<Out(const test::TableRow&)>> kFunctions = {
    {"args",
     [](const test::TableRow& r) {
         const auto p = parseCommandLine({r.in.begin() + 2, r.in.end()}, r.in[1]);
         return p ? Out{p->local, p->remote, p->unedited} : Out{"none"};
     }},
    {"problem",
     [](const test::TableRow& r) {
         return Out{commandLineProblem({r.in.begin() + 1, r.in.end()})};
     }},
    {"review",
     [](const test::TableRow& r) {
         std::vector<std::string> args(r.in.begin() + 1, r.in.end());
         const bool review = takeReviewWord(args);
         std::string rest;
         for (const std::string& a : args) {
             rest += a + "|";
         }
         return Out{review ? "review" : "dialogs", rest};
     }},
    {"layout",
     [](const test::TableRow& r) {
         const LayoutOutcome o = layoutPass(designedMergeLayout(), std::stof(r.in[1]), std::stof(r.in[2]));
         if (o.correctedClient) {
             return Out{words("grow to", (*o.correctedClient)[0], (*o.correctedClient)[1])};
         }
         const MergeGeometry g = o.geometry.value();
         Out out;
         for (std::size_t i = 0; i < kMergeControlCount; ++i) {
             const TwipRect& c = g[static_cast<MergeControl>(i)];
             out.push_back(
                 words(controlName(static_cast<MergeControl>(i)), c.left, c.top, c.width, c.height));
         }
         out.push_back(words("line1", g.line1.x1, g.line1.y1, g.line1.x2, g.line1.y2));
         out.push_back(words("line2", g.line2.x1, g.line2.y1, g.line2.x2, g.line2.y2));
         return out;
     }},
    {"screen",
     [](const test::TableRow& r) {
         std::vector<int> v;
         std::transform(r.in.begin() + 1, r.in.end(), std::back_inserter(v),
                        [](auto& f) { return std::stoi(f); });
         const ScreenRect p = keepOnScreen({v[0], v[1], v[2], v[3]}, {v[4], v[5], v[6], v[7]});
         return Out{words(p.left, p.top, p.width, p.height)};
     }},
    {"marks", marking(markDifferences)},
    {"fields", marking(markFieldDifferences)},
    {"between16",
     [](const test::TableRow& r) {
         return Out{utf8(funcParseStringFromStringToString<char16_t>(utf16(r.in[1]), utf16(r.in[2]),
                                                                     utf16(r.in[3]), r.in[4] == "i"))};
     }},
    {"utf8",
     [](const test::TableRow& r) {
         const std::string_view bytes = r.in[1];
         std::string valid(1, isValidUtf8(bytes) ? '1' : '0');
         for (std::size_t n = 1; n < bytes.size(); ++n) {
             valid += isValidUtf8(bytes.substr(0, n)) ? '1' : '0';
         }
         return Out{valid};
     }},
    {"time",
     [](const test::TableRow& r) {
         const QDateTime at(QDate::fromString(QString::fromStdString(r.in[2]), Qt::ISODate),
                            QTime::fromString(QString::fromStdString(r.in[3])));
         return Out{localeTimeText(QLocale(QString::fromStdString(r.in[1])), at).toStdString()};
     }},
    {"path",
     [](const test::TableRow& r) {
         rememberPath("unedited", pathToText(r.in[1]));
         const bool plain = pathToText(r.in[1]) == QString::fromUtf8(r.in[1]);
         return Out{textToPath(rememberedPath("unedited")), plain ? "text" : "bytes"};
     }},
};

TEST(Tables, EveryRowGivesWhatItSays) {
    test::clearSettings();
    for (const char* table : {"commandline.tsv", "layout.tsv", "diffmarking.tsv", "desktop.tsv"}) {
        test::checkTable(table, kFunctions);
    }
    if (test::kOnWindows) {
        test::checkTable("commandline-windows.tsv", kFunctions);
    }
    test::clearSettings();
}

}  // namespace
}  // namespace korvane
