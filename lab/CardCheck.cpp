#include "lab/CardCheck.h"

#include "lab/Money.h"

namespace orlavo::lab {

namespace {

std::string Digits(std::string_view number, bool& clean) {
    std::string digits;
    clean = true;
    for (char c : number) {
        if (c >= '0' && c <= '9')
            digits.push_back(c);
        else if (c != ' ' && c != '-')
            clean = false;
    }
    return digits;
}

}  // namespace

bool IsValidCardNumber(std::string_view number) {
    bool clean = false;
    std::string digits = Digits(number, clean);
    if (!clean || digits.size() < 13 || digits.size() > 19)
        return false;
    int sum = 0;
    bool twice = false;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        int v = *it - '0';
        if (twice) {
            v *= 2;
            if (v > 9)
                v -= 9;
        }
        sum += v;
        twice = !twice;
    }
    return sum % 10 == 0;
}

bool IsDeclinedTestCard(std::string_view number) {
    bool clean = false;
    return Digits(number, clean) == "4000000000000002" && clean;
}

bool IsExpired(std::string_view expireMonth, std::string_view expireYear, int year, int month) {
    auto m = ParseCount(expireMonth, 12);
    auto y = ParseCount(expireYear, 9999);
    if (!m || !y || *m < 1)
        return false;
    if (*y < 100)
        *y += 2000;
    return *y < year || (*y == year && *m < month);
}

std::string MaskCardNumber(std::string_view number) {
    bool clean = false;
    std::string digits = Digits(number, clean);
    for (std::size_t i = 0; i + 4 < digits.size(); ++i)
        digits[i] = 'x';
    return digits;
}

}  // namespace orlavo::lab
