#include "wizard/customer/CardNumber.h"

namespace orlavo::wizard {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string CardNumberDigits(std::string_view typed) {
    std::string out;
    out.reserve(typed.size());
    for (char c : typed) {
        if (c != ' ' && c != '-') {
            out.push_back(c);
        }
    }
    return out;
}

bool IsValidCardNumber(std::string_view typed) {
    const std::string digits = CardNumberDigits(typed);
    if (digits.size() < kMinCardDigits || digits.size() > kMaxCardDigits) {
        return false;
    }
    int sum = 0;
    bool doubled = false;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (!IsDigit(*it)) {
            return false;
        }
        int value = *it - '0';
        if (doubled) {
            value *= 2;
            if (value > 9) {
                value -= 9;
            }
        }
        sum += value;
        doubled = !doubled;
    }
    return sum % 10 == 0;
}

std::string GroupCardDigits(std::string_view typed) {
    std::string out;
    std::size_t count = 0;
    for (char c : typed) {
        if (!IsDigit(c) || count == kMaxCardDigits) {
            continue;
        }
        if (count > 0 && count % 4 == 0) {
            out.push_back(' ');
        }
        out.push_back(c);
        ++count;
    }
    return out;
}

int GroupedCursor(int digitsBefore) {
    if (digitsBefore <= 0) {
        return 0;
    }
    return digitsBefore + (digitsBefore - 1) / 4;
}

}  // namespace orlavo::wizard
