// The catalogue of a large lab: 5,000 products, 40 shipping groups, 300 shops.
// Load from a server on 127.0.0.1, and the queries the pages make over it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/support/BenchRows.h"
#include "bench/support/RoundsReporter.h"
#include "tests/support/RawHttpServer.h"
#include "wizard/catalogue/CXmlDocuments.h"

using namespace orlavo::wizard;
using orlavo::test::RawHttpServer;
using orlavo::test::RawRequest;
using orlavo::test::RawResponse;

namespace {

constexpr int kProducts = 5000;
constexpr int kGroups = 40;
constexpr int kCountriesPerGroup = 5;
constexpr int kShops = 300;

const std::string& LargeCatalogue() {
    static const std::string text = [] {
        std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<affiliateinfo>\n";
        s += "  <affiliate id=\"AFF1\" currency=\"GBP\"/>\n  <products>\n";
        for (int i = 0; i < kProducts; ++i) {
            const std::string n = std::to_string(i);
            s += "    <product id=\"P" + n + "\" name=\"Print " + n +
                 "\" prod_description=\"Gloss print " + n + "\" price=\"0." +
                 std::to_string(10 + i % 90) + "\" x_dim=\"" + std::to_string(100 + i % 300) +
                 "\" y_dim=\"" + std::to_string(80 + i % 200) + "\"/>\n";
        }
        s += "  </products>\n  <payment>\n";
        for (int i = 1; i <= 9; ++i) {
            s += "    <pay id=\"" + std::to_string(i) + "\" name=\"Method " + std::to_string(i) +
                 "\"/>\n";
        }
        s += "  </payment>\n  <shipping>\n";
        for (int g = 1; g <= kGroups; ++g) {
            s += "    <ship id=\"" + std::to_string(g) + "\">\n";
            for (int c = 0; c < kCountriesPerGroup; ++c) {
                const std::string n = std::to_string(g) + "_" + std::to_string(c);
                s += "      <country name=\"Country " + n + "\" value=\"C" + n + "\"/>\n";
            }
            s += "    </ship>\n";
        }
        s += "  </shipping>\n  <shops>\n";
        for (int i = 0; i < kShops; ++i) {
            const std::string n = std::to_string(i);
            s += "    <shop id=\"S" + n + "\" name=\"Shop " + n + "\" address1=\"" + n +
                 " High Street\" address2=\"\" city=\"City " + std::to_string((i * 7919) % 97) +
                 "\" state=\"County\" country=\"United Kingdom\" postcode=\"AB" + n +
                 "\" phone=\"0100 " + n + "\" storeid=\"D" + n + "\"/>\n";
        }
        s += "  </shops>\n</affiliateinfo>\n";
        return s;
    }();
    return text;
}

void BM_LoadFromLoopback(benchmark::State& state) {
    RawHttpServer server([](const RawRequest&) {
        return RawResponse::Http(200, "OK", LargeCatalogue(), "Content-Type: text/xml\r\n");
    });
    CXmlDocuments docs;
    docs.setProgramVersion("2.0.44.3");
    ShopList shops;
    const std::string url = server.url("/catalogue.xml");
    for (auto _ : state) {
        const std::string error = docs.Load(url, shops);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(shops.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(LargeCatalogue().size()));
    state.counters["bytes"] = static_cast<double>(LargeCatalogue().size());
}
BENCHMARK(BM_LoadFromLoopback)->Unit(benchmark::kMillisecond);

// What the start window and step 2 do together: the download, the parse, and
// every product's name for the selector.
void BM_LoadAndListEveryName(benchmark::State& state) {
    RawHttpServer server([](const RawRequest&) {
        return RawResponse::Http(200, "OK", LargeCatalogue(), "Content-Type: text/xml\r\n");
    });
    const std::string url = server.url("/catalogue.xml");
    for (auto _ : state) {
        CXmlDocuments docs;
        docs.setProgramVersion("2.0.44.3");
        ShopList shops;
        const std::string error = docs.Load(url, shops);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        for (int i = 0; i < docs.GetProductCount(); ++i)
            benchmark::DoNotOptimize(docs.GetProductName(i));
    }
}
BENCHMARK(BM_LoadAndListEveryName)->Unit(benchmark::kMillisecond);

void BM_ParseWithoutDownload(benchmark::State& state) {
    CXmlDocuments docs;
    ShopList shops;
    for (auto _ : state) {
        benchmark::DoNotOptimize(docs.LoadDownloaded("bench", LargeCatalogue(), shops));
    }
}
BENCHMARK(BM_ParseWithoutDownload)->Unit(benchmark::kMillisecond);

class Loaded {
public:
    Loaded() { docs.LoadDownloaded("bench", LargeCatalogue(), shops); }
    CXmlDocuments docs;
    ShopList shops;
};

Loaded& Catalogue() {
    static Loaded loaded;
    return loaded;
}

// The product page fills its selector with every product name.
void BM_AllProductNames(benchmark::State& state) {
    const CXmlDocuments& docs = Catalogue().docs;
    for (auto _ : state) {
        for (int i = 0; i < docs.GetProductCount(); ++i) {
            benchmark::DoNotOptimize(docs.GetProductName(i));
        }
    }
}
BENCHMARK(BM_AllProductNames)->Unit(benchmark::kMillisecond);

// One product row: price, size and name of one product near the end.
void BM_OneProductRow(benchmark::State& state) {
    const CXmlDocuments& docs = Catalogue().docs;
    for (auto _ : state) {
        benchmark::DoNotOptimize(docs.GetProductPrice(kProducts - 1));
        benchmark::DoNotOptimize(docs.GetProductSize(kProducts - 1));
        benchmark::DoNotOptimize(docs.GetProductName(kProducts - 1));
    }
}
BENCHMARK(BM_OneProductRow)->Unit(benchmark::kMicrosecond);

// The details page and Preferences list every country.
void BM_AllCountryNames(benchmark::State& state) {
    const CXmlDocuments& docs = Catalogue().docs;
    for (auto _ : state) {
        const int n = docs.GetCountryCount();
        for (int i = 0; i < n; ++i) {
            benchmark::DoNotOptimize(docs.GetCountryName(i));
        }
    }
}
BENCHMARK(BM_AllCountryNames)->Unit(benchmark::kMillisecond);

void BM_CountryValue(benchmark::State& state) {
    const CXmlDocuments& docs = Catalogue().docs;
    for (auto _ : state) {
        benchmark::DoNotOptimize(docs.GetCountryValue("Country 40_4"));
    }
}
BENCHMARK(BM_CountryValue)->Unit(benchmark::kMicrosecond);

void BM_LoadShops(benchmark::State& state) {
    const CXmlDocuments& docs = Catalogue().docs;
    ShopList shops;
    for (auto _ : state) {
        docs.LoadShops(shops);
        benchmark::DoNotOptimize(shops.data());
    }
}
BENCHMARK(BM_LoadShops)->Unit(benchmark::kMicrosecond);

void BM_FindShopByStoreId(benchmark::State& state) {
    const ShopList& shops = Catalogue().shops;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindShopByStoreId(shops, "D299"));
    }
}
BENCHMARK(BM_FindShopByStoreId)->Unit(benchmark::kMicrosecond);

}  // namespace

// Google Benchmark's options, and: --runs N (rounds, default 5), --rows FILE.
int main(int argc, char** argv) {
    const std::string rowsFile = orlavo::bench::TakeRowsOption(argc, argv);
    int rounds = 5;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            argv[kept++] = argv[i];
    }
    auto times = orlavo::bench::RunRounds(kept, argv, rounds);
    if (rowsFile.empty())
        return 0;
    using orlavo::bench::Goal;
    const auto spread = orlavo::bench::Summarize(times["BM_LoadAndListEveryName"]);
    orlavo::bench::Row row;
    row.id = "catalogue.load";
    row.work = "catalogue of 5,000 products loaded from loopback, every name listed";
    row.orlavo = orlavo::bench::Figure(spread, "ms", 1);
    row.peer = "-";
    row.ratio = "-";
    row.goal = "< 100 ms";
    row.pass = spread.count > 0 && Goal{Goal::Kind::Below, 100}.metBy(spread.median);
    row.note = std::to_string(spread.count) + " rounds; " +
               std::to_string(LargeCatalogue().size() / 1024) + " KiB document, 300 shops";
    return orlavo::bench::AppendRow(rowsFile, row) ? 0 : 1;
}
