#pragma once
// Deterministic mutations of a seed input for the bad-input tests: byte flips,
// cuts, repeats, random bytes and tokens that matter to the formats we read.
// A fixed seed per test keeps every failure reproducible.

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::fuzz {

// N, or N times ORLAVO_FUZZ_SCALE when that is set: a longer run by hand
// explores more inputs from the same seeds.
inline int Rounds(int n) {
    const char* scale = std::getenv("ORLAVO_FUZZ_SCALE");
    const int factor = scale ? std::atoi(scale) : 1;
    return factor > 1 && factor <= 1000 ? n * factor : n;
}

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : rng_(seed) {}

    std::size_t below(std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    std::string randomBytes(std::size_t n) {
        std::string s(n, '\0');
        for (char& c : s)
            c = static_cast<char>(below(256));
        return s;
    }

    // One to four mutations of SEED.
    std::string mutate(std::string_view seed) {
        std::string s(seed);
        const int rounds = between(1, 4);
        for (int r = 0; r < rounds; ++r)
            mutateOnce(s);
        return s;
    }

    // The extra words a parser of our formats reacts to.
    void addTokens(std::vector<std::string> tokens) {
        for (auto& t : tokens)
            tokens_.push_back(std::move(t));
    }

private:
    void mutateOnce(std::string& s) {
        switch (below(8)) {
            case 0:  // flip one byte
                if (!s.empty())
                    s[below(s.size())] = static_cast<char>(below(256));
                break;
            case 1:  // cut the tail
                s.resize(below(s.size() + 1));
                break;
            case 2: {  // drop a range
                if (s.empty())
                    break;
                const std::size_t at = below(s.size());
                s.erase(at, below(std::min<std::size_t>(s.size() - at, 64) + 1));
                break;
            }
            case 3: {  // repeat a range
                if (s.empty())
                    break;
                const std::size_t at = below(s.size());
                const std::string part =
                    s.substr(at, below(std::min<std::size_t>(s.size() - at, 200) + 1));
                const int times = between(1, 8);
                for (int i = 0; i < times; ++i)
                    s.insert(at, part);
                break;
            }
            case 4:  // random bytes somewhere
                s.insert(below(s.size() + 1), randomBytes(below(16) + 1));
                break;
            case 5:  // a token somewhere
            case 6: {
                static const std::vector<std::string> common = {
                    "<",
                    ">",
                    "\"",
                    "'",
                    "&",
                    "&#0;",
                    "&#xFFFF;",
                    "&#1114112;",
                    "&amp;",
                    "&unknown;",
                    "<![CDATA[",
                    "]]>",
                    "<!--",
                    "-->",
                    "<?",
                    "?>",
                    "</",
                    "/>",
                    "\xC3",
                    "\xFF\xFE",
                    "\xEF\xBB\xBF",
                    "\xE2\x82\xAC",
                    "\x80",
                    std::string(1, '\0'),
                    "=",
                    "<a>",
                    "</a>",
                    "<!DOCTYPE x [<!ENTITY e \"eeee\">]>",
                    "&e;"};
                const auto& pick = (tokens_.empty() || below(2) == 0) ? common : tokens_;
                s.insert(below(s.size() + 1), pick[below(pick.size())]);
                break;
            }
            default: {  // swap two bytes
                if (s.size() < 2)
                    break;
                std::swap(s[below(s.size())], s[below(s.size())]);
                break;
            }
        }
    }

    std::mt19937 rng_;
    std::vector<std::string> tokens_;
};

}  // namespace orlavo::fuzz
