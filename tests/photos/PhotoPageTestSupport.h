#pragma once
// Shared set-up of the photo page tests: the application with the program's
// step pages and the test catalogue, folders of photos made at run time, the
// page shown in the sheet, and clicks on its views.

#include <QHeaderView>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "tests/app/AppTestSupport.h"
#include "tests/photos/TestPhotos.h"
#include "tests/support/TempDir.h"
#include "wizard/app/CColorLabel.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/StepPages.h"
#include "wizard/photos/ThumbnailLoader.h"
#include "wizard/photos/ui/CSelectImagePage.h"
#include "wizard/photos/ui/FolderModel.h"
#include "wizard/photos/ui/FolderTree.h"
#include "wizard/photos/ui/OrderStripList.h"

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

class PhotoPageTest : public AppTest {
protected:
    // The application with the real step 1, its catalogue loaded.
    // FILES: what it is opened with, after the profile.
    CSelectImagePage& startPage(const std::string& picturesFolder,
                                const std::vector<std::string>& files = {}) {
        reg().setText("UserDetails", "PicturesFolder", picturesFolder);
        std::vector<std::string> args{"photos_ui_tests", "UiTest"};
        args.insert(args.end(), files.begin(), files.end());
        app_ = std::make_unique<CWizardApp>(std::move(args), effects, std::string(), MakeStepPage);
        EXPECT_TRUE(app_->StartUp());
        loadCatalogue();
        app_->order.setProductCount(app_->xml.GetProductCount());
        page = qobject_cast<CSelectImagePage*>(app_->sheet()->page(0));
        EXPECT_NE(page, nullptr);
        // As the wizard hands them over once its window is up.
        if (page && !app_->pendingFiles().empty())
            page->addFiles(app_->pendingFiles());
        QSignalSpy started(page, &CSelectImagePage::started);
        app_->sheet()->show();
        EXPECT_TRUE(started.wait(10000));
        return *page;
    }

    CWizardApp& app() { return *app_; }
    CMyProperySheet& sheet() { return *app_->sheet(); }
    FolderModel& model() { return *page->folderModel(); }

    // A photo of W x H in one colour; gives its path.
    std::string photo(const orlavo::test::TempDir& dir, const std::string& name,
                      QColor colour = Qt::red, int w = 160, int h = 120) {
        return dir.write(name, orlavo::test::EncodeJpeg(orlavo::test::Filled(w, h, colour)));
    }

    void waitLoaded() {
        if (page->loader()->running()) {
            QSignalSpy finished(page->loader(), &orlavo::wizard::ThumbnailLoader::finished);
            ASSERT_TRUE(finished.wait(30000));
        }
    }

    void open(const std::filesystem::path& folder) {
        page->openFolder(folder.string());
        waitLoaded();
    }

    int rowOf(const orlavo::test::TempDir& dir, const std::string& name) {
        return model().rowOfPath(dir.file(name));
    }

    // A click on a photo of the thumbnail view.
    void clickRow(int row) {
        QListView* view = page->thumbnailView();
        const QRect r = view->visualRect(model().index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    }

    std::vector<std::string> orderPaths() {
        std::vector<std::string> paths;
        for (const auto& p : app_->order.photos())
            paths.push_back(p.path);
        return paths;
    }

    // The file names in the rows' order.
    std::vector<std::string> rowNames() {
        std::vector<std::string> names;
        for (int row = 0; row < model().count(); ++row)
            names.push_back(
                model().data(model().index(row, 0), Qt::DisplayRole).toString().toStdString());
        return names;
    }

    QString countText() { return page->countLabel()->text(); }
    QString sizeText() { return page->sizeLabel()->text(); }

    CSelectImagePage* page = nullptr;
};
