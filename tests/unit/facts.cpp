// Checks what players read of the points, the pictures and the version against the rule itself
// and the build's list of pictures, and names the first file that says otherwise.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "spin.h"

static int reels_to_draw[REEL_COUNT], drawn;  // what the rule's next rand() calls return

extern "C" int rand() noexcept
{
    return reels_to_draw[drawn++ % REEL_COUNT];
}

static int points_of(int a, int b, int c)
{
    reels_to_draw[0] = a, reels_to_draw[1] = b, reels_to_draw[2] = c;
    int32_t reels[REEL_COUNT];
    return spin_reels(reels);
}

// A row of a pay table as this check reads it: the points, then the symbols it names.
static std::string row(int points, const std::string &names)
{
    char text[16];
    snprintf(text, sizeof text, "[%+d", points);
    return text + names + "] ";
}

static std::string lowercase(std::string text)
{
    for (char &c : text)
        c = char(tolower(c));
    return text;
}

// The files players read, each with the pattern of one row of its pay table, if it has one.
static const struct {
    const char *file, *pay_row;
} copies[] = {
    {"README.md", R"(\| [^|\n]+\|\s+[-+]\d+ \|)"},
    {"platform/web/index.html", R"(<tr><td>[^<]*</td><td>[^<]*</td></tr>)"},
    {"platform/windows/README.txt", R"(  \w[^\n]* [-+]\d+\n)"},
    {"data/io.github.zorvanel.zorvanel.metainfo.xml", R"(<li>[^<]* points[^<]*</li>)"},
    {"data/zorvanel.6", R"(\.B \\?[-+]\d+\n[^\n]*)"},
    {"cmake/install.cmake", nullptr},
    {"DEVELOPERS.md", nullptr},
    {"assets/README.md", nullptr},
};

int main(int, char *argv[])
{
    // The rows as the rule pays them: three alike, the first two alike, the first and last
    // alike, then none like the first (by which of reels 1 and 2 match reel 0), each once for
    // every sum the first symbol decides.
    const int kinds[] = {3, 1, 2, 0};
    std::string rows;
    int sum = 0, spins = 0;
    for (int kind : kinds) {
        std::vector<int> paid(SYMBOL_COUNT, INT_MIN);
        for (int a = 0; a < SYMBOL_COUNT; a++)
            for (int b = 0; b < SYMBOL_COUNT; b++)
                for (int c = 0; c < SYMBOL_COUNT; c++) {
                    if ((b == a) + 2 * (c == a) != kind)
                        continue;
                    const int points = points_of(a, b, c);
                    if (paid[a] != INT_MIN && paid[a] != points) {
                        printf("facts: no table can show a rule that pays %d%d%d %d\n", a, b, c,
                               points);
                        return 1;
                    }
                    paid[a] = points, sum += points, spins++;
                }
        for (int a = 0; a < SYMBOL_COUNT; a++) {
            if (std::find(paid.begin(), paid.begin() + a, paid[a]) != paid.begin() + a)
                continue;  // the row of an earlier symbol
            std::string names;
            const int alike = int(std::count(paid.begin(), paid.end(), paid[a]));
            for (int s = a; s < SYMBOL_COUNT; s++)
                names += paid[s] == paid[a] ? std::string(" ") + SYMBOL_NAMES[s] : "";
            rows += row(paid[a], alike < SYMBOL_COUNT ? names : "");
        }
    }

    static const char *const numbers[] = {"none", "one", "two", "three", "four", "five",
                                          "six", "seven", "eight", "nine", "ten"};
    const std::regex fair(R"(exactly fair(:\s+the points of all (\d+))?)"),
        counted(R"(\b(one|two|three|four|five|six|seven|eight|nine|ten) (pictures|reel symbols))",
                std::regex::icase),
        version(R"((release version="|"Zorvanel |zorvanel-)(\d[\d.]*\d))"), word(R"([A-Za-z]+)");
    for (const auto &copy : copies) {
        std::ifstream in(std::string(argv[1]) + "/" + copy.file);
        std::stringstream read;
        read << in.rdbuf();
        const std::string text = read.str();
        const auto wrong = [&copy](const std::string &says, const std::string &is) {
            printf("facts: %s says %s where the game has %s\n", copy.file, says.c_str(),
                   is.c_str());
            return 1;
        };
        if (text.empty())
            return wrong("nothing", "a file to read");

        if (copy.pay_row) {
            std::string says;
            const std::regex pay_row(copy.pay_row);
            for (std::sregex_iterator m(text.begin(), text.end(), pay_row), end; m != end; ++m) {
                std::string cells = regex_replace(m->str(), std::regex("\\\\-|\xe2\x88\x92"), "-");
                std::smatch points;
                regex_search(cells, points, std::regex(R"([-+]?\d+)"));
                std::string names;
                for (std::sregex_iterator w(cells.begin(), cells.end(), word); w != end; ++w)
                    for (const char *name : SYMBOL_NAMES)
                        names += w->str() == name ? std::string(" ") + name : "";
                const bool lost = cells.find(" lost") != std::string::npos;
                says += row(stoi(points.str()) * (lost ? -1 : 1), names);
            }
            if (says != rows)
                return wrong("the points " + says, rows);
        }
        for (std::sregex_iterator m(text.begin(), text.end(), fair), end; m != end; ++m)
            if (sum != 0 || ((*m)[2].matched && stoi((*m)[2]) != spins))
                return wrong("'" + m->str() + "'", std::to_string(spins) +
                                                       " spins that add up to " +
                                                       std::to_string(sum));
        for (std::sregex_iterator m(text.begin(), text.end(), counted), end; m != end; ++m)
            if (lowercase((*m)[1]) != numbers[SYMBOL_COUNT])
                return wrong(m->str(), numbers[SYMBOL_COUNT] + std::string(" pictures"));
        for (std::sregex_iterator m(text.begin(), text.end(), version), end; m != end; ++m)
            if ((*m)[2] != VERSION)
                return wrong(m->str(), "version " + std::string(VERSION));

        // A list of three or more symbols joined by "and" (as names, plurals or files) lists
        // them all, in order; one joined by "or" is a pay row's, one by neither some reels.
        std::string listed, all;
        bool joined = false, either = false;  // by "and", by "or"
        for (const char *name : SYMBOL_NAMES)
            all += std::string(" ") + name;
        for (std::sregex_iterator w(text.begin(), text.end(), word), end;; ++w) {
            const std::string said = w == end ? "" : lowercase(w->str());
            std::string symbol;
            for (std::string name : SYMBOL_NAMES) {
                const std::string plural = name.back() == 'y'
                    ? name.substr(0, name.size() - 1) + "ies" : name + "s";
                symbol = said == lowercase(name) || said == lowercase(plural) ? name : symbol;
            }
            if (!symbol.empty())
                listed += " " + symbol;
            else if (said == "or" || said == "and")
                (said == "or" ? either : joined) = true;
            else if (said != "bmp" && said != "ir") {
                const int many = int(std::count(listed.begin(), listed.end(), ' '));
                if (joined && !either && many >= 3 && listed != all)
                    return wrong("the pictures" + listed, "those of" + all);
                listed.clear(), joined = either = false;
            }
            if (w == end)
                break;
        }
    }
    return 0;
}
