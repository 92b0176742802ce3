// The file dialogs on real folders: what they list while the initial
// wildcard, a picked filter or a typed name applies, and that they answer on
// folders whose entries must never be read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "qt_test_support.h"

using qt_test::qtSystem;
using qt_test::whenModalOpens;

namespace {

namespace fs = std::filesystem;

platform::FileDialogRequest captureFileRequest(bool open) {
  platform::FileDialogRequest request;
  request.open = open;
  request.initialFileName = "*.kvn";
  request.flags = 0x80000;
  request.filter = "(*.kvn) | *.log |(*.*) | *.*||";
  return request;
}

// The names the dialog's list shows, sorted.
QStringList listed(QFileDialog& dialog) {
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  if (view == nullptr) return {QStringLiteral("<no list>")};
  const QAbstractItemModel* model = view->model();
  QStringList names;
  for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
    names << model->index(row, 0, view->rootIndex()).data().toString();
  }
  names.sort();
  return names;
}

QLineEdit& nameField(QFileDialog& dialog) {
  return *dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

class FileDialogListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qtSystem();
    previous = fs::current_path();
    folder = fs::temp_directory_path() / ("korvane_qt_listing_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "a.kvn") << "k";
    std::ofstream(folder / "b.log") << "l";
    fs::current_path(folder);
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(folder);
  }
  fs::path previous;
  fs::path folder;
};

// What the user does, and what the dialog shows after it.
struct Step {
  const char* action;
  std::function<void(QFileDialog&)> act;
  QStringList shown;
  QString name;
  QString filter;
};

void pickNextFilter(QFileDialog& dialog) {
  auto* box = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Down);
}

void typeName(QFileDialog& dialog, const QString& text, bool enter) {
  QLineEdit& field = nameField(dialog);
  field.setFocus();
  field.selectAll();
  QTest::keyClicks(&field, text);
  if (enter) QTest::keyClick(&field, Qt::Key_Return);
}

TEST_F(FileDialogListingTest, TheInitialPatternFiltersUntilTheUserPicksAFilterOrTypesAName) {
  const QStringList kvn{"a.kvn"};
  const QStringList log{"b.log"};
  const QStringList both{"a.kvn", "b.log"};
  const QString logEntry = "(*.kvn) (*.log)";
  const auto none = [](QFileDialog&) {};
  const auto pick = [](QFileDialog& dialog) { pickNextFilter(dialog); };
  const auto type = [](const char* text, bool enter) {
    return [text, enter](QFileDialog& dialog) { typeName(dialog, text, enter); };
  };
  const struct {
    bool open;
    std::vector<Step> steps;
  } cases[] = {
      {true,
       {{"opens", none, kvn, "*.kvn", "*.kvn"},
        {"picks the first written entry", pick, log, "*.kvn", logEntry},
        {"types a pattern and Enter", type("*.*", true), both, "*.*", "*"},
        {"types a name", type("b", false), log, "b", logEntry}}},
      {false,
       {{"opens", none, kvn, "*.kvn", "*.kvn"},
        {"types a name with the other extension", type("run1.kvn", false), log, "run1.kvn",
         logEntry},
        {"types the pattern again and Enter", type("*.kvn", true), kvn, "*.kvn", "*.kvn"},
        {"picks the first written entry", pick, log, "*.kvn", logEntry},
        {"types another name", type("run2.kvn", false), log, "run2.kvn", logEntry},
        {"picks the next entry", pick, both, "run2.kvn", "(*.*) (*)"}}},
  };
  for (const auto& [open, steps] : cases) {
    bool stillOpen = true;
    whenModalOpens<QFileDialog>([&, open = open](QFileDialog& dialog) {
      for (const Step& step : steps) {
        step.act(dialog);
        const bool settled = QTest::qWaitFor(
            [&] {
              return listed(dialog) == step.shown && dialog.selectedNameFilter() == step.filter;
            },
            5000);
        EXPECT_TRUE(settled) << (open ? "open: " : "save: ") << step.action << ": lists "
                             << listed(dialog).join(' ').toStdString() << " under "
                             << dialog.selectedNameFilter().toStdString();
        EXPECT_EQ(nameField(dialog).text().toStdString(), step.name.toStdString()) << step.action;
        stillOpen = stillOpen && dialog.isVisible();
      }
      static_cast<QDialog&>(dialog).reject();
    });
    auto request = captureFileRequest(open);
    EXPECT_FALSE(qtSystem().runFileDialog(request));
    EXPECT_TRUE(stillOpen) << "a pattern confirmed is applied, not taken for a file name";
  }
  EXPECT_FALSE(fs::exists(folder / "*.kvn"));
}

TEST_F(FileDialogListingTest, ADeletedCurrentFolderOpensTheHomeFolderAndAChoiceStillWorks) {
  const fs::path gone = folder / "gone";
  fs::create_directories(gone);
  fs::current_path(gone);
  fs::remove(gone);

  QString shownFolder;
  whenModalOpens<QFileDialog>([&](QFileDialog& dialog) {
    shownFolder = dialog.directory().absolutePath();
    static_cast<QDialog&>(dialog).reject();
  });
  auto cancelled = captureFileRequest(true);
  EXPECT_NO_THROW(EXPECT_FALSE(qtSystem().runFileDialog(cancelled)));
  EXPECT_EQ(shownFolder, QDir::homePath());

  whenModalOpens<QFileDialog>([&](QFileDialog& dialog) {
    dialog.selectFile(QString::fromStdString((folder / "new.log").string()));
    static_cast<QDialog&>(dialog).accept();
  });
  auto save = captureFileRequest(false);
  EXPECT_NO_THROW(EXPECT_TRUE(qtSystem().runFileDialog(save)));
  EXPECT_EQ(save.chosenPath, (folder / "new.log").string());
  EXPECT_EQ(fs::current_path(), folder);
}

// Lists the folder in an open dialog, with each entry's icon and type, then
// cancels; ends the process with 0 when all of it came back in time.
[[noreturn]] void listAndLeave(const fs::path& where, const QString& expectedEntry) {
  ::alarm(30);  // a hang ends the child, which fails the test
  fs::current_path(where);
  bool complete = false;
  whenModalOpens<QFileDialog>([&](QFileDialog& dialog) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    complete = model != nullptr &&
               QTest::qWaitFor([&] { return listed(dialog).contains(expectedEntry); }, 10000);
    if (complete) {
      const QModelIndex root = model->index(QString::fromStdString(where.string()));
      for (int row = 0; row < model->rowCount(root); ++row) {
        (void)model->data(model->index(row, 0, root), Qt::DecorationRole);
        (void)model->type(model->index(row, 0, root));
      }
    }
    static_cast<QDialog&>(dialog).reject();
  });
  auto request = captureFileRequest(true);
  request.initialFileName.clear();
  request.filter = "(*.*) | *.*||";
  qtSystem().runFileDialog(request);
  std::fputs(complete ? "all listed" : "listing incomplete", stderr);
  std::_Exit(complete ? 0 : 2);
}

using FileDialogListingDeathTest = FileDialogListingTest;

TEST_F(FileDialogListingDeathTest, FoldersWithPipesAndKernelFilesAreListedWithoutReadingThem) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Nothing ever writes the pipe, so opening it for a read would wait forever.
  // The list leaves such entries out, yet the dialog's lister looks at them
  // together with the files beside them.
  ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
  EXPECT_EXIT(listAndLeave(folder, "a.kvn"), ::testing::ExitedWithCode(0), "all listed");
  EXPECT_EXIT(listAndLeave("/proc", "kmsg"), ::testing::ExitedWithCode(0), "all listed");
}

}  // namespace
