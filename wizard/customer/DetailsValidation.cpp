#include "wizard/customer/DetailsValidation.h"

#include "common/TextRules.h"
#include "resources/WizardResources.h"
#include "wizard/customer/CardNumber.h"

namespace orlavo::wizard {

namespace {

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

struct Required {
    DetailsCheck& check;
    void operator()(std::string_view value, DetailsField field, int messageId) {
        if (!IsBlank(value)) {
            return;
        }
        check.message += Str(messageId);
        check.message += '\n';
        if (check.focus == DetailsField::None) {
            check.focus = field;
        }
        check.fields.push_back(field);
        check.ok = false;
        check.missing = true;
    }
};

DetailsCheck Fail(std::string message, DetailsField focus) {
    return {false, std::move(message), focus, {focus}, false};
}

DetailsCheck Fail(int messageId, DetailsField focus) {
    return Fail(Str(messageId), focus);
}

// The card type check's message: which card the number is, when it suits
// another method offered, and which one is chosen.
std::string CardTypeMessage(const DetailsEntries& e) {
    std::string chosen;
    for (const auto& [id, name] : e.methods) {
        if (id == e.paymentMethodId) {
            chosen = name;
        }
    }
    if (chosen.empty()) {
        return Str(3416);
    }
    for (const auto& [id, name] : e.methods) {
        if (id != e.paymentMethodId && IsCardMethod(id) && id != kStartDateCardMethod &&
            IsValidCardType(e.cardNumber, id)) {
            return FillPlaceholders(Str(3481), {name, chosen});
        }
    }
    return FillPlaceholders(Str(3482), {chosen});
}

}  // namespace

int LeadingDigits(std::string_view text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > 1000000000) {
            break;
        }
    }
    return static_cast<int>(value);
}

bool IsValidEmail(std::string_view email) {
    std::size_t at = email.find('@');
    return at != std::string_view::npos && at > 0 && email.find('.') != std::string_view::npos;
}

bool IsValidCardType(std::string_view typed, int methodId) {
    const std::string number = CardNumberDigits(typed);
    switch (methodId) {
        case 1:
            return !number.empty() && number[0] == '4';
        case 2: {
            int prefix = LeadingDigits(std::string_view(number).substr(0, 2));
            return prefix >= 51 && prefix <= 55;
        }
        case 3: {
            int prefix = LeadingDigits(std::string_view(number).substr(0, 2));
            return prefix >= 34 && prefix <= 37;
        }
        case 5:
            return true;
        case 8:
            return LeadingDigits(std::string_view(number).substr(0, 4)) == 6011;
        default:
            return false;
    }
}

bool IsValidCardChecksum(std::string_view number, int methodId) {
    return methodId == kStartDateCardMethod || IsValidCardNumber(number);
}

std::vector<int> StartYearChoices(int thisYear) {
    std::vector<int> years;
    for (int y = thisYear - 10; y <= thisYear; ++y) {
        years.push_back(y);
    }
    return years;
}

std::vector<int> ExpiryYearChoices(int thisYear) {
    std::vector<int> years;
    for (int y = thisYear; y <= thisYear + 20; ++y) {
        years.push_back(y);
    }
    return years;
}

DetailsCheck ValidateDetails(const DetailsEntries& e, int year, int month) {
    DetailsCheck check;
    Required required{check};
    required(e.firstName, DetailsField::FirstName, 3400);
    required(e.lastName, DetailsField::LastName, 3401);
    required(e.address, DetailsField::Address, 3402);
    required(e.city, DetailsField::City, 3403);
    required(e.postcode, DetailsField::Postcode, 3404);
    required(e.email, DetailsField::Email, 3405);
    if (!e.sameAsBilling) {
        required(e.shippingName, DetailsField::ShippingName, 3406);
        if (!e.shopCollection) {
            required(e.shippingAddress, DetailsField::ShippingAddress, 3407);
            required(e.shippingCity, DetailsField::ShippingCity, 3408);
            required(e.shippingPostcode, DetailsField::ShippingPostcode, 3409);
        }
    }
    const bool card = IsCardMethod(e.paymentMethodId);
    if (card) {
        required(e.cardNumber, DetailsField::CardNumber, 3410);
        required(e.nameOnCard, DetailsField::NameOnCard, 3411);
        if (e.paymentMethodId == kStartDateCardMethod) {
            required(e.issueNo, DetailsField::IssueNo, 3412);
            required(e.securityCode, DetailsField::SecurityCode, 3413);
        }
    }
    if (!check.ok) {
        return check;
    }
    if (!IsValidEmail(e.email)) {
        return Fail(3414, DetailsField::Email);
    }
    if (card) {
        if (e.paymentMethodId == kStartDateCardMethod) {
            int startYear = LeadingDigits(e.startYear);
            int startMonth = LeadingDigits(e.startMonth);
            if (startYear > year || (startYear == year && startMonth > month)) {
                return Fail(3480, DetailsField::StartMonth);
            }
        }
        int expiryYear = LeadingDigits(e.expiryYear);
        int expiryMonth = LeadingDigits(e.expiryMonth);
        if (expiryYear < year || (expiryYear == year && expiryMonth < month)) {
            return Fail(3415, DetailsField::ExpiryMonth);
        }
        if (!IsValidCardType(e.cardNumber, e.paymentMethodId)) {
            return Fail(CardTypeMessage(e), DetailsField::PaymentMethod);
        }
        if (!IsValidCardChecksum(e.cardNumber, e.paymentMethodId)) {
            return Fail(3417, DetailsField::CardNumber);
        }
    }
    return check;
}

}  // namespace orlavo::wizard
