#pragma once
// The lab's web pages and the answer pages of the upload.

#include <string>
#include <string_view>
#include <vector>

#include "lab/Catalogue.h"
#include "lab/UploadStore.h"

namespace orlavo::lab {

class HtmlPages {
public:
    static std::string Escape(std::string_view text);

    // A page whose title is TITLE exactly: clients judge an upload by it.
    static std::string AnswerPage(std::string_view title, std::string_view message);

    static std::string IndexPage(const Catalogue& catalogue);
    static std::string HelpPage(const Catalogue& catalogue);
    static std::string TermsPage(const Catalogue& catalogue);
    static std::string AlbumPage(const std::vector<StoredOrder>& orders,
                                 const Catalogue& catalogue);
    static std::string ErrorPage(int status, std::string_view message);

    // What a misconfigured server sends where the catalogue should be: an
    // HTML page that is not well-formed XML.
    static std::string HtmlInsteadOfCatalogue();
};

}  // namespace orlavo::lab
