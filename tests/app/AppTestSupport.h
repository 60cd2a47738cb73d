#pragma once
// Shared set-up of the window tests: a settings store in a temporary folder,
// the application object started under the profile "UiTest", a catalogue
// parsed from text, and a way to act on the next modal dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"
#include "tests/app/RecordingEffects.h"
#include "wizard/app/CWizardApp.h"

// Two products, three countries in two groups, two shops (store ids D100, D200).
inline constexpr const char* kTestCatalogue = R"(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="77" currency="GBP"/>
  <products>
    <product id="P1" name="6x4" prod_description="6x4 in Gloss" price="0.25" x_dim="152" y_dim="102"/>
    <product id="P2" name="7x5" prod_description="7x5 in Matt" price=".35" x_dim="178" y_dim="127"/>
  </products>
  <payment><pay id="1" name="Visa"/></payment>
  <shipping>
    <ship id="1"><country name="United Kingdom" value="GB"/><country name="Ireland" value="IE"/></ship>
    <ship id="2"><country name="France" value="FR"/></ship>
  </shipping>
  <shops>
    <shop id="S2" name="York Prints" city="York" storeid="D200"/>
    <shop id="S1" name="Bath Photo" city="Bath" storeid="D100"/>
  </shops>
</affiliateinfo>
)";

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("ORLAVO_REGISTRY", dir_.filePath("registry.sqlite3").toUtf8());
        // Diagnostics and order journals stay in the test's folder.
        qputenv("XDG_STATE_HOME", dir_.filePath("state").toUtf8());
        // Thumbnails shared with the desktop too.
        qputenv("XDG_CACHE_HOME", dir_.filePath("cache").toUtf8());
        reg_ = std::make_unique<orlavo::RegistryStore>(orlavo::RegistryRoot("UiTest", "OrlavoW"));
    }
    void TearDown() override {
        app_.reset();
        qunsetenv("ORLAVO_REGISTRY");
        qunsetenv("XDG_STATE_HOME");
        qunsetenv("XDG_CACHE_HOME");
    }

    orlavo::RegistryStore& reg() { return *reg_; }

    // The application object after start-up (command line to the sheet).
    CWizardApp& startApp() {
        app_ =
            std::make_unique<CWizardApp>(std::vector<std::string>{"app_tests", "UiTest"}, effects);
        EXPECT_TRUE(app_->StartUp());
        return *app_;
    }

    void loadCatalogue(const char* text = kTestCatalogue) {
        ASSERT_EQ(app_->xml.LoadDownloaded("http://127.0.0.1/catalogue.xml", text, app_->shops),
                  "");
    }

    QString tempPath(const QString& name) const { return dir_.filePath(name); }
    // Where the wizard keeps diagnostics and order journals in a test.
    std::string stateFolder() const {
        return dir_.filePath("state/Vennara/OrlavoW/").toStdString();
    }

    RecordingEffects effects;
    std::unique_ptr<CWizardApp> app_;

private:
    QTemporaryDir dir_;
    std::unique_ptr<orlavo::RegistryStore> reg_;
};

// Runs ACT on the next modal dialog of type D once it shows; seen() tells
// whether one showed.
template <class D>
class OnModal {
public:
    explicit OnModal(std::function<void(D*)> act) : act_(std::move(act)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
            if (!d || !d->isVisible())
                return;
            timer_.stop();
            seen_ = true;
            QPointer<D> guard(d);
            act_(d);
            // A failed assertion returns from the callback with the window
            // still open; end it so the test reports instead of hanging.
            if (::testing::Test::HasFatalFailure() && guard && guard->isVisible())
                guard->done(QDialog::Rejected);
        });
        timer_.start();
    }
    bool seen() const { return seen_; }

private:
    std::function<void(D*)> act_;
    QTimer timer_;
    bool seen_ = false;
};
