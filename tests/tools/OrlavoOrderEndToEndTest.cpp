// orlavo-order against a real orlavo-lab on loopback: the order that reaches
// the lab, a refused card, a refused photo, and the checks that stop an
// order before anything is sent.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"
#include "platform/XmlDocument.h"
#include "tests/support/LabProcess.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RawHttpServer.h"
#include "tests/transmission/TempFiles.h"
#include "wizard/transmission/OrderJournal.h"

#include <csignal>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace orlavo {
namespace {

using Result = test::ProgramResult;

const char* kDetails =
    "firstname=Ada\n"
    "lastname=Byron\n"
    "address1=1 Mill Lane\n"
    "city=Bath\n"
    "zip=BA1 1AA\n"
    "country=United Kingdom\n"
    "email=ada@example.com\n"
    "sameasbilling=yes\n"
    "payment=1\n"
    "nameoncard=A BYRON\n"
    "ccexpiremonth=12\n"
    "ccexpireyear=2099\n";

class OrlavoOrderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::LabProcess::MakeSamplePhotos(folder.path() / "photos", 3));
        for (const auto& entry : fs::directory_iterator(folder.path() / "photos")) {
            photos.push_back(entry.path().string());
        }
        std::sort(photos.begin(), photos.end());
        ASSERT_EQ(photos.size(), 3u);
        registry = (folder.path() / "registry.sqlite3").string();
        details = folder.write("details.txt", kDetails);
    }

    void UseLab(const test::LabProcess& lab) {
        RegistryStore store(RegistryRoot("E2E", "OrlavoW"), registry);
        ASSERT_TRUE(store.setText("DownloadInfo", "DownloadURL", lab.url("/catalogue.xml")));
        ASSERT_TRUE(store.setText("DownloadInfo", "UploadURL", lab.url("/upload")));
        ASSERT_TRUE(store.setText("DownloadInfo", "PriceRequestURL", lab.url("/price")));
    }

    // Runs orlavo-order with ARGS, standard input from /dev/null and the
    // card number in the environment.
    Result Order(std::vector<std::string> args, const std::string& card = "4111111111111111") {
        return test::RunProgram(std::string(ORLAVO_BIN_DIR) + "/orlavo-order", std::move(args),
                                {{"ORLAVO_REGISTRY", registry},
                                 {"ORLAVO_CCNUMBER", card},
                                 {"XDG_STATE_HOME", (folder.path() / "state").string()}},
                                folder.path());
    }

    // The photo files the lab keeps, by order id.
    static std::vector<fs::path> Received(const test::LabProcess& lab) {
        std::vector<fs::path> files;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(lab.ordersDir(), ec);
             it != fs::recursive_directory_iterator(); ++it) {
            if (it->is_regular_file()) {
                files.push_back(it->path());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    test::TempDir folder;
    std::vector<std::string> photos;
    std::string registry;
    std::string details;
};

TEST_F(OrlavoOrderTest, SendsTheTwoPhotosWithPrintsOfAThreePhotoOrder) {
    test::LabProcess lab(folder.path() / "lab");
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    Result r = Order({"--profile", "E2E", "--details", details, "--yes", photos[0], "--print",
                      "0:2", "--print", "104:1", photos[1], photos[2], "--print", "1:3:1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Order Sent Successfully"), std::string::npos);
    EXPECT_NE(r.out.find("Total:"), std::string::npos);
    EXPECT_EQ(r.out.find("4111111111111111"), std::string::npos);

    std::vector<fs::path> files = Received(lab);
    ASSERT_EQ(files.size(), 4u);  // two photos, two manifests, in one order folder
    EXPECT_EQ(files[0].parent_path(), files[3].parent_path());
    const std::string orderId = files[0].parent_path().filename().string();
    EXPECT_EQ(orderId.size(), 15u);

    std::vector<std::string> manifests;
    std::vector<std::string> photosKept;
    for (const fs::path& f : files) {
        (f.extension() == ".xml" ? manifests : photosKept).push_back(test::ReadFile(f));
    }
    ASSERT_EQ(manifests.size(), 2u);
    EXPECT_EQ(photosKept[0], test::ReadFile(photos[0]));
    EXPECT_EQ(photosKept[1], test::ReadFile(photos[2]));
    for (std::size_t i = 0; i < 2; ++i) {
        xml::Document m;
        ASSERT_TRUE(m.loadBytes(manifests[i])) << manifests[i];
        xml::Node file = m.selectSingle("transfermanifest/file");
        EXPECT_EQ(file.attribute("currentnumphoto"), std::to_string(i + 1));
        EXPECT_EQ(m.selectSingle("transfermanifest/extra").attribute("numphotos"), "2");
        EXPECT_EQ(m.selectSingle("transfermanifest/extra").attribute("uniqueid"), orderId);
        EXPECT_EQ(m.selectSingle("transfermanifest/user").attribute("country"), "GB");
    }
    xml::Document first;
    ASSERT_TRUE(first.loadBytes(manifests[0]));
    std::vector<xml::Node> products = first.selectAll("transfermanifest/file/product");
    ASSERT_EQ(products.size(), 2u);
    EXPECT_EQ(products[0].attribute("id"), "101");
    EXPECT_EQ(products[0].attribute("qty"), "2");
    EXPECT_EQ(products[1].attribute("id"), "104");
}

TEST_F(OrlavoOrderTest, DebugDumpsKeepNoCardData) {
    test::LabProcess lab(folder.path() / "lab");
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    {
        RegistryStore store(RegistryRoot("E2E", "OrlavoW"), registry);
        ASSERT_TRUE(store.setNumber("Settings", "Debug", 1));
    }
    Result r = Order({"--profile", "E2E", "--details", details, "--detail", "securitycode=9876",
                      "--yes", photos[0], "--print", "0:1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    fs::path dumps = folder.path() / "state" / "Vennara" / "OrlavoW";
    std::string manifests = test::ReadFile(dumps / "!QRT2_output.txt");
    std::string answers = test::ReadFile(dumps / "!QRT2_input.txt");
    std::string quotes = test::ReadFile(dumps / "!QRT2_request.txt");
    EXPECT_NE(manifests.find("------------ Photo 1 of 1 --------------"), std::string::npos);
    EXPECT_NE(manifests.find("ccnumber=\"xxxxxxxxxxxx1111\""), std::string::npos) << manifests;
    EXPECT_NE(answers.find("DONE"), std::string::npos);
    EXPECT_NE(quotes.find("<PriceQuote"), std::string::npos);
    for (const std::string* dump : {&manifests, &answers, &quotes}) {
        EXPECT_EQ(dump->find("4111111111111111"), std::string::npos);
        EXPECT_EQ(dump->find("9876"), std::string::npos);
    }
}

TEST_F(OrlavoOrderTest, LabRefusesABadCardWithTheWizardsMessage) {
    test::LabProcess lab(folder.path() / "lab");
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    // Method 5 skips the number check on this side; the lab checks it.
    Result r = Order({"--profile", "E2E", "--details", details, "--detail", "payment=5", "--detail",
                      "issueno=1", "--detail", "securitycode=123", "--detail", "ccstartmonth=01",
                      "--detail", "ccstartyear=2020", "--yes", photos[0], "--print", "0:1"},
                     "6759000000000001");
    EXPECT_EQ(r.exitCode, 9) << r.err;
    EXPECT_NE(r.err.find("Your credit card was not accepted. Please try again"), std::string::npos)
        << r.err;
    EXPECT_TRUE(Received(lab).empty());
}

TEST_F(OrlavoOrderTest, RefusedSecondPhotoLeavesTheFirstOnTheLab) {
    test::LabProcess lab(folder.path() / "lab", {"--refuse-photo", "2"});
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    Result r = Order({"--profile", "E2E", "--details", details, "--yes", "--print-all", "0:1",
                      photos[0], photos[1], photos[2]});
    EXPECT_EQ(r.exitCode, 10) << r.err;
    EXPECT_NE(r.err.find("We are unable to process your order at this time."), std::string::npos);
    EXPECT_EQ(Received(lab).size(), 2u);  // the first photo and its manifest
}

TEST_F(OrlavoOrderTest, APhotoHoldingTheFormsBoundaryArrivesWholeAndForgesNoOrder) {
    test::LabProcess lab(folder.path() / "lab");
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    // A comment segment holding a delimiter, a manifest part of its own and
    // the closing delimiter: cut there, the photo's first 6 bytes would be
    // an order of their own, with its own products and card.
    const std::string boundary = "---------------------------7d22db37402707";
    const std::string forged =
        "\r\n--" + boundary +
        "\r\nContent-Disposition: form-data; name=\"transfermanifest\"\r\n\r\n"
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><transfermanifest><file "
        "contenttype=\"image/pjpeg\" filename=\"forged.jpg\" size=\"6\" currentnumphoto=\"1\">"
        "<product id=\"101\" qty=\"99\" zoomtrim=\"0\"/></file><user firstname=\"Mallory\"/>"
        "<shipping name=\"Mallory\"/><payment cctype=\"1\" ccnumber=\"4111111111111111\" "
        "ccexpiremonth=\"12\" ccexpireyear=\"2099\"/><extra uniqueid=\"FORGEDFORGEDFOR\" "
        "numphotos=\"1\"/></transfermanifest>\r\n--" +
        boundary + "--\r\n";
    const std::string original = test::ReadFile(photos[0]);
    const std::string hostile = original.substr(0, 2) + "\xFF\xFE" +
                                char((forged.size() + 2) >> 8) + char((forged.size() + 2) & 0xFF) +
                                forged + original.substr(2);
    const std::string hostilePath = (folder.path() / "hostile.jpg").string();
    std::ofstream(hostilePath, std::ios::binary) << hostile;
    Result r = Order({"--profile", "E2E", "--details", details, "--yes", "--print-all", "0:1",
                      hostilePath, photos[1]});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    std::vector<fs::path> files = Received(lab);
    ASSERT_EQ(files.size(), 4u);
    const std::string orderId = files[0].parent_path().filename().string();
    std::vector<std::string> kept;
    for (const fs::path& f : files) {
        EXPECT_EQ(f.parent_path().filename().string(), orderId) << f;
        if (f.extension() == ".xml") {
            xml::Document m;
            ASSERT_TRUE(m.loadBytes(test::ReadFile(f))) << f;
            EXPECT_EQ(m.selectSingle("transfermanifest/extra").attribute("uniqueid"), orderId);
            EXPECT_EQ(m.selectSingle("transfermanifest/extra").attribute("numphotos"), "2");
        } else {
            kept.push_back(test::ReadFile(f));
        }
    }
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_TRUE(kept[0] == hostile) << "the photo's bytes changed on the way";
    EXPECT_TRUE(kept[1] == test::ReadFile(photos[1]));
}

TEST_F(OrlavoOrderTest, NamesWithControlCharactersColonsAndBackslashesReachTheLab) {
    test::LabProcess lab(folder.path() / "lab");
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    const std::vector<std::pair<std::string, std::string>> names = {
        {"ctl_\x01\x1B.jpg", "ctl___.jpg"},
        {"n09_colon:name.jpg", "n09_colon:name.jpg"},
        {"back\\slash.jpg", "back\\slash.jpg"},
    };
    std::vector<std::string> args = {"--profile", "E2E",         "--details", details,
                                     "--yes",     "--print-all", "0:1"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const fs::path renamed = folder.path() / "photos" / names[i].first;
        fs::copy_file(photos[i], renamed);
        args.push_back(renamed.string());
    }
    Result r = Order(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::set<std::string> written;
    for (const fs::path& f : Received(lab)) {
        if (f.extension() == ".xml") {
            xml::Document m;
            ASSERT_TRUE(m.loadBytes(test::ReadFile(f))) << f;
            written.insert(m.selectSingle("transfermanifest/file").attribute("filename"));
        }
    }
    EXPECT_EQ(written,
              (std::set<std::string>{"ctl___.jpg", "n09_colon:name.jpg", "back\\slash.jpg"}));
}

TEST_F(OrlavoOrderTest, APhotoRefusedFirstIsTheLastPhotoLineShown) {
    test::LabProcess lab(folder.path() / "lab", {"--refuse-photo", "1"});
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    Result r = Order({"--profile", "E2E", "--details", details, "--yes", "--print-all", "0:1",
                      photos[0], photos[1]});
    EXPECT_EQ(r.exitCode, 10) << r.err;
    EXPECT_NE(r.err.find("Photo 1 of 2"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Photo 2 of 2"), std::string::npos) << r.err;
    EXPECT_TRUE(Received(lab).empty());
}

TEST_F(OrlavoOrderTest, ConnectionDroppedInEveryTryFailsTheUpload) {
    test::LabProcess lab(folder.path() / "lab", {"--drop-after-bytes", "5000"});
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    Result r = Order({"--profile", "E2E", "--details", details, "--yes", "--retry-pauses", "1,0,0",
                      "--print-all", "0:1", photos[0], photos[1]});
    EXPECT_EQ(r.exitCode, 11) << r.err;
    EXPECT_NE(r.err.find("Connection lost, trying again in 1 s\n"), std::string::npos) << r.err;
    // The transport's own message, whichever way the break showed.
    bool transportMessage = false;
    for (CURLcode code : {CURLE_GOT_NOTHING, CURLE_SEND_ERROR, CURLE_RECV_ERROR}) {
        transportMessage |= r.err.find(std::string("orlavo-order: ") + curl_easy_strerror(code)) !=
                            std::string::npos;
    }
    EXPECT_TRUE(transportMessage) << r.err;
    EXPECT_TRUE(Received(lab).empty());
}

// The order's journal as the program left it in the state folder.
std::optional<transmission::OrderJournal> JournalIn(const fs::path& state) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(state, ec)) {
        if (entry.path().extension() != ".journal")
            continue;
        transmission::JournalReading r = transmission::ParseJournal(test::ReadFile(entry.path()));
        if (r.status == transmission::JournalReading::Status::Ok)
            return r.journal;
    }
    return std::nullopt;
}

TEST_F(OrlavoOrderTest, KilledInTheMiddleOfAnOrderItResumesAndTheLabHoldsEachPhotoOnce) {
    ASSERT_TRUE(test::LabProcess::MakeSamplePhotos(folder.path() / "more", 5));
    for (int i = 4; i <= 5; ++i) {
        const fs::path p = folder.path() / "photos" / ("sample_00" + std::to_string(i) + ".jpg");
        fs::copy_file(folder.path() / "more" / p.filename(), p);
        photos.push_back(p.string());
    }
    test::LabProcess lab(folder.path() / "lab", {"--delay-ms", "400"});
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    {
        // The dumps too keep no card data.
        RegistryStore store(RegistryRoot("E2E", "OrlavoW"), registry);
        ASSERT_TRUE(store.setNumber("Settings", "Debug", 1));
    }
    const fs::path state = folder.path() / "state" / "Vennara" / "OrlavoW";
    std::vector<std::string> args = {"--profile", "E2E",         "--details",
                                     details,     "--detail",    "securitycode=9173",
                                     "--yes",     "--print-all", "0:1"};
    args.insert(args.end(), photos.begin(), photos.end());
    const pid_t child =
        test::StartProgram(std::string(ORLAVO_BIN_DIR) + "/orlavo-order", args,
                           {{"ORLAVO_REGISTRY", registry},
                            {"ORLAVO_CCNUMBER", "4111111111111111"},
                            {"XDG_STATE_HOME", (folder.path() / "state").string()}},
                           folder.path() / "killed.out", folder.path() / "killed.err");
    ASSERT_GT(child, 0);
    // Killed once the lab has accepted two of the five photos.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        std::optional<transmission::OrderJournal> j = JournalIn(state);
        if (j && j->acceptedCount() >= 2)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(child, SIGKILL);
    test::FinishProgram(child, folder.path() / "killed.out", folder.path() / "killed.err");
    std::optional<transmission::OrderJournal> left = JournalIn(state);
    ASSERT_TRUE(left);
    const int sent = left->acceptedCount();
    ASSERT_GE(sent, 2);
    ASSERT_LT(sent, 5);
    EXPECT_EQ(left->details.firstname, "Ada");

    // Nothing of the card anywhere in the state folder.
    for (const auto& entry : fs::recursive_directory_iterator(folder.path() / "state")) {
        if (!entry.is_regular_file())
            continue;
        const std::string bytes = test::ReadFile(entry.path());
        for (const char* secret : {"4111111111111111", "9173\"", "\t9173", "securitycode"})
            EXPECT_EQ(bytes.find(secret), std::string::npos) << entry.path() << ": " << secret;
    }

    // The first photo, already at the lab, is edited before the order goes on.
    { std::ofstream(photos[0], std::ios::app) << "edited"; }
    Result r = Order({"--profile", "E2E", "--details", details, "--detail", "securitycode=9173",
                      "--yes", "--resume"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("An order of 5 photos from "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" was interrupted: " + std::to_string(sent) + " sent, " +
                         std::to_string(5 - sent) + " left"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Left to send: " + std::to_string(5 - sent + 1) +
                         ". Changed since they were sent, so sent again in full: sample_001.jpg."),
              std::string::npos)
        << r.out;

    // One order, each photo once, as the files are now.
    std::vector<fs::path> files = Received(lab);
    ASSERT_EQ(files.size(), 10u);
    std::set<fs::path> orders;
    for (const fs::path& f : files)
        orders.insert(f.parent_path());
    EXPECT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders.begin()->filename().string(), left->orderId);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(test::ReadFile(files[2 * i]), test::ReadFile(photos[i])) << files[2 * i];
        xml::Document m;
        ASSERT_TRUE(m.loadBytes(test::ReadFile(files[2 * i + 1])));
        EXPECT_EQ(m.selectSingle("transfermanifest/file").attribute("currentnumphoto"),
                  std::to_string(i + 1));
        EXPECT_EQ(m.selectSingle("transfermanifest/extra").attribute("numphotos"), "5");
    }
    EXPECT_FALSE(JournalIn(state));
    Result again = Order({"--profile", "E2E", "--yes", "--resume"});
    EXPECT_EQ(again.exitCode, 12);
    EXPECT_NE(again.err.find("there is no interrupted order to resume"), std::string::npos);
}

TEST_F(OrlavoOrderTest, DetailsThatFailTheChecksSendNothing) {
    test::LabProcess lab(folder.path() / "lab");
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    Result r = Order({"--profile", "E2E", "--details", details, "--detail", "email=ada", "--yes",
                      photos[0], "--print", "0:1"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_NE(r.err.find("Email Address: please enter an address such as name@example.com."),
              std::string::npos);
    Result missing =
        Order({"--profile", "E2E", "--details", details, "--detail", "lastname= ", "--detail",
               "city=", "--yes", photos[0], "--print", "0:1"});
    EXPECT_EQ(missing.exitCode, 6);
    EXPECT_NE(missing.err.find("- Last Name missing\n- City/Town missing\n"), std::string::npos);
    EXPECT_TRUE(Received(lab).empty());
}

TEST_F(OrlavoOrderTest, OrderIsNotSentWithoutConfirmationOrPrints) {
    test::LabProcess lab(folder.path() / "lab");
    ASSERT_TRUE(lab.running()) << lab.error();
    UseLab(lab);
    Result declined =
        Order({"--profile", "E2E", "--details", details, photos[0], "--print", "0:1"});
    EXPECT_EQ(declined.exitCode, 8);
    EXPECT_NE(declined.err.find("Send Order?"), std::string::npos);
    Result noPrints = Order({"--profile", "E2E", "--details", details, "--yes", photos[0]});
    EXPECT_EQ(noPrints.exitCode, 5);
    EXPECT_NE(noPrints.err.find("One or more pictures have no reason for upload"),
              std::string::npos);
    Result unknown =
        Order({"--profile", "E2E", "--details", details, "--yes", photos[0], "--print", "999:1"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(Received(lab).empty());
}

TEST_F(OrlavoOrderTest, ProfileWithoutTheLabsAddressStopsAtOnce) {
    Result r = Order({"--profile", "Empty", "--yes", photos[0], "--print", "0:1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("Download URL not found"), std::string::npos);
}

TEST_F(OrlavoOrderTest, HelpExplainsTheOptionsAndExitCodes) {
    Result r = Order({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* text : {"--print PRODUCT:QTY", "--details FILE", "--yes", "Exit codes:",
                             "ORLAVO_CCNUMBER", "--catalogue", "--resume", "--retry-pauses"}) {
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
    }
    Result bad = Order({"--frobnicate"});
    EXPECT_EQ(bad.exitCode, 2);
}

}  // namespace
TEST_F(OrlavoOrderTest, ServerTextReachesTheTerminalWithItsControlsEscaped) {
    const std::string page =
        "<html>\x1B]0;owned\x07\x1B[2J\x9B"
        "31mFatal error</html>";
    test::RawHttpServer server(
        [&](const test::RawRequest&) { return test::RawResponse::Http(200, "OK", page); });
    {
        RegistryStore store(RegistryRoot("E2E", "OrlavoW"), registry);
        ASSERT_TRUE(store.setText("DownloadInfo", "DownloadURL", server.url("/catalogue.xml")));
    }
    Result r = Order({"--profile", "E2E", "--catalogue"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("\\e]0;owned\\x07\\e[2J\\x9B31mFatal error"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x1B'), std::string::npos);
    EXPECT_EQ(r.err.find('\x07'), std::string::npos);
    EXPECT_EQ(r.err.find('\x9B'), std::string::npos);
}

TEST_F(OrlavoOrderTest, SettingsStoreThatCannotBeReadIsNamedAndLeftAlone) {
    // Damaged: said so, and left where it is, byte for byte.
    const std::string shoppingList = "milk, eggs, not a database\n";
    std::ofstream(registry, std::ios::binary) << shoppingList;
    Result damaged = Order({"--profile", "E2E", "--catalogue"});
    EXPECT_EQ(damaged.exitCode, 13);
    EXPECT_NE(damaged.err.find("is damaged"), std::string::npos) << damaged.err;
    EXPECT_EQ(damaged.err.find("Download URL not found"), std::string::npos) << damaged.err;
    EXPECT_EQ(test::ReadFile(registry), shoppingList);
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".damaged"), std::string::npos);
    }

    // Unreadable: the store's name is a folder.
    fs::remove(registry);
    fs::create_directories(registry);
    Result unreadable = Order({"--profile", "E2E", "--catalogue"});
    EXPECT_EQ(unreadable.exitCode, 13);
    EXPECT_NE(unreadable.err.find("cannot read the settings store"), std::string::npos)
        << unreadable.err;
    fs::remove(registry);
}

TEST_F(OrlavoOrderTest, LockedSettingsStoreIsSaidToBeLocked) {
    {
        RegistryStore store(RegistryRoot("E2E", "OrlavoW"), registry);
        ASSERT_TRUE(store.setText("DownloadInfo", "DownloadURL", "http://127.0.0.1:9/c.xml"));
    }
    // Another program holds the store for longer than the busy time-out.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(registry.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    Result r = Order({"--profile", "E2E", "--catalogue"});
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(r.exitCode, 13);
    EXPECT_NE(r.err.find("locked by another program"), std::string::npos) << r.err;
}

}  // namespace orlavo
