// The lab's catalogue, pages and update files, fetched from the running server.

#include <csignal>
#include <cstdio>
#include <fstream>
#include <set>

#include "platform/XmlDocument.h"
#include "tests/lab/LabFixture.h"

namespace orlavo::labtest {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class LabEndpoints : public LabFixture {};

TEST_F(LabEndpoints, DemoCatalogueCarriesEverythingTheWizardReads) {
    startLab();
    auto res = client_->Get("/catalogue.xml");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(res->body.size()));

    xml::Document doc;
    ASSERT_TRUE(doc.loadBytes(res->body));
    xml::Node affiliate = doc.selectSingle("affiliateinfo/affiliate");
    EXPECT_FALSE(affiliate.attribute("id").empty());
    EXPECT_EQ(affiliate.attribute("currency"), "GBP");

    auto products = doc.selectSingle("affiliateinfo/products").children();
    ASSERT_GE(products.size(), 6u);
    bool sixByFour = false;
    std::set<std::string> productIds;
    for (const auto& p : products) {
        for (const char* a : {"id", "name", "prod_description", "price", "x_dim", "y_dim"})
            EXPECT_TRUE(p.hasAttribute(a)) << p.attribute("id") << " lacks " << a;
        EXPECT_GT(std::stoi(p.attribute("x_dim")), 0);
        EXPECT_GT(std::stoi(p.attribute("y_dim")), 0);
        productIds.insert(p.attribute("id"));
        if (p.attribute("x_dim") == "152" && p.attribute("y_dim") == "102" &&
            p.attribute("price") == "0.25")
            sixByFour = true;
    }
    EXPECT_TRUE(sixByFour);
    EXPECT_EQ(productIds.size(), products.size());

    std::set<std::string> payIds;
    for (const auto& p : doc.selectSingle("affiliateinfo/payment").children()) {
        EXPECT_EQ(p.name(), "pay");
        EXPECT_FALSE(p.attribute("name").empty());
        payIds.insert(p.attribute("id"));
    }
    EXPECT_EQ(payIds, (std::set<std::string>{"1", "2", "3", "5", "6", "8", "9"}));

    auto groups = doc.selectAll("affiliateinfo/shipping/ship");
    ASSERT_EQ(groups.size(), 2u);
    std::set<std::string> groupIds, names, values;
    std::size_t countries = 0;
    for (const auto& g : groups) {
        groupIds.insert(g.attribute("id"));
        EXPECT_GE(g.childCount(), 2u);
        for (const auto& c : g.children()) {
            EXPECT_EQ(c.name(), "country");
            names.insert(c.attribute("name"));
            values.insert(c.attribute("value"));
            ++countries;
        }
    }
    EXPECT_EQ(groupIds.size(), 2u);
    EXPECT_EQ(names.size(), countries);
    EXPECT_EQ(values.size(), countries);

    auto shops = doc.selectSingle("affiliateinfo/shops").children();
    ASSERT_EQ(shops.size(), 5u);
    std::set<std::string> cities, storeIds;
    for (const auto& s : shops) {
        for (const char* a : {"id", "name", "address1", "address2", "city", "state", "country",
                              "postcode", "phone", "storeid"})
            EXPECT_TRUE(s.hasAttribute(a)) << s.attribute("name") << " lacks " << a;
        cities.insert(s.attribute("city"));
        storeIds.insert(s.attribute("storeid"));
    }
    EXPECT_EQ(cities.size(), 3u);
    EXPECT_EQ(storeIds.size(), 5u);
}

TEST_F(LabEndpoints, CatalogueFileOfTheDataFolderIsServedByteForByte) {
    std::string catalogue =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n<affiliateinfo><affiliate id=\"77\" "
        "currency=\"EUR\"/><products><p id=\"A\" name=\"Caf\xE9 print\" price=\".35\" "
        "x_dim=\"100\" "
        "y_dim=\"70\"/></products><shipping><ship id=\"1\"><country name=\"France\" value=\"FR\"/>"
        "</ship></shipping><payment><pay id=\"6\" name=\"Cheque\"/></payment></affiliateinfo>";
    Write(dir() / "catalogue.xml", catalogue);
    startLab();
    auto res = client_->Get("/catalogue.xml");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, catalogue);

    // And it prices with it.
    PriceRequestFields req;
    req.products = {{"A", 2}};
    req.country = "FR";
    req.payId = "6";
    auto quote = PostPrice(*client_, req.xml());
    ASSERT_TRUE(quote);
    xml::Document doc;
    ASSERT_TRUE(doc.loadBytes(quote->body));
    EXPECT_EQ(doc.selectSingle("PriceQuote/totals/subprice").text(), "0.70");
}

TEST_F(LabEndpoints, RefusesToStartWithACatalogueFileThatIsNoCatalogue) {
    Write(dir() / "catalogue.xml", "<html><body>oops</body></html>");
    lab_ = std::make_unique<test::LabProcess>(dir());
    EXPECT_FALSE(lab_->running());
    EXPECT_FALSE(lab_->error().empty());
}

TEST_F(LabEndpoints, ServesTheWebPages) {
    startLab();
    for (const char* path : {"/", "/album", "/help", "/terms"}) {
        auto res = client_->Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_EQ(res->get_header_value("Content-Type").rfind("text/html", 0), 0u) << path;
        EXPECT_NE(Title(res->body), "(none)") << path;
        EXPECT_NE(res->body.find("</html>"), std::string::npos) << path;
    }
    EXPECT_NE(client_->Get("/album")->body.find("No order has been completed yet"),
              std::string::npos);
    EXPECT_NE(client_->Get("/terms")->body.find("GBP"), std::string::npos);
}

TEST_F(LabEndpoints, UnknownAddressesGiveNotFound) {
    startLab();
    EXPECT_EQ(client_->Get("/nothing-here")->status, 404);
    EXPECT_EQ(client_->Get("/album/NOORDER/1/thumb")->status, 404);
    EXPECT_EQ(client_->Get("/update/auto_update.xml")->status, 404);
}

TEST_F(LabEndpoints, ServesUpdateManifestAndFilesFromTheDataFolder) {
    std::string manifest =
        "<auto_update><app download_url=\"http://x/update/files/\"/></auto_update>";
    std::string program(70000, '\0');
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<char>(i * 31);
    Write(dir() / "update" / "auto_update.xml", manifest);
    Write(dir() / "update" / "files" / "OrlavoW", program);
    Write(dir() / "update" / "files" / "images" / "1.jpg", "JPEGDATA");
    startLab();

    auto m = client_->Get("/update/auto_update.xml");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->status, 200);
    EXPECT_EQ(m->body, manifest);
    auto f = client_->Get("/update/files/OrlavoW");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->body, program);
    EXPECT_EQ(f->get_header_value("Content-Length"), "70000");
    EXPECT_EQ(client_->Get("/update/files/images/1.jpg")->body, "JPEGDATA");
    EXPECT_EQ(client_->Get("/update/files/missing.dll")->status, 404);
    EXPECT_EQ(client_->Get("/update/files/images")->status, 404);
}

TEST_F(LabEndpoints, UpdateFilesNeverLeadOutsideTheirFolder) {
    Write(dir() / "secret.txt", "TOPSECRET");
    Write(dir() / "update" / "files" / "ok.txt", "fine");
    fs::create_directory_symlink(dir(), dir() / "update" / "files" / "link");
    startLab();
    for (const char* target :
         {"/update/files/../../secret.txt", "/update/files/%2e%2e/%2e%2e/secret.txt",
          "/update/files/..%2f..%2fsecret.txt", "/update/files/link/secret.txt",
          "/update/files//etc/passwd", "/update/files/.%2Fok.txt"}) {
        std::string answer =
            RawExchange(lab_->port(), std::string("GET ") + target +
                                          " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(answer.find("TOPSECRET"), std::string::npos) << target;
        EXPECT_EQ(answer.find("root:"), std::string::npos) << target;
        EXPECT_NE(answer.rfind("HTTP/1.1 200", 0), 0u) << target;
    }
    EXPECT_EQ(client_->Get("/update/files/ok.txt")->body, "fine");
}

TEST_F(LabEndpoints, StopsCleanlyWhenAskedTo) {
    startLab();
    ASSERT_TRUE(client_->Get("/catalogue.xml"));  // a kept-alive connection is open
    EXPECT_EQ(lab_->stop(SIGTERM), 0);
    EXPECT_FALSE(lab_->running());
    EXPECT_FALSE(client_->Get("/catalogue.xml"));

    startLab();
    EXPECT_EQ(lab_->stop(SIGINT), 0);
}

TEST(LabCommandLine, HelpNamesEveryEndpointAndSwitch) {
    FILE* p = ::popen((test::LabProcess::Executable() + " --help").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p))
        out.append(buf, n);
    EXPECT_EQ(::pclose(p), 0);
    for (const char* word :
         {"/catalogue.xml", "/price", "/upload", "/album", "/update/files/", "--refuse-photo",
          "--drop-upload", "--drop-after-bytes", "--delay-ms", "--status", "--no-content-length",
          "--truncate-body", "--html-catalogue", "--max-body-mb", "--make-sample-photos",
          "--max-connections-per-address"})
        EXPECT_NE(out.find(word), std::string::npos) << word;
}

TEST(LabCommandLine, RejectsUnknownSwitchesAndMissingDataFolder) {
    auto status = [](const std::string& args) {
        int rc =
            std::system((test::LabProcess::Executable() + " " + args + " 2>/dev/null").c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    };
    EXPECT_EQ(status("--data /tmp --bogus"), 2);
    EXPECT_EQ(status("--port 0"), 2);
    EXPECT_EQ(status("--data /tmp --port 70000"), 2);
    EXPECT_EQ(status("--data /tmp --status abc"), 2);
}

}  // namespace
}  // namespace orlavo::labtest
