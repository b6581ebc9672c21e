// Qt's file dialog behind CommonDialog1 under the offscreen platform, answered as a user would:
// by typing a name and pressing Return, and by answering the question that follows.
#include "gui/qt_common_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "tests/gui/test_application.h"
#include "tests/support/temp_dir.h"

namespace {

using orvane::gui::QtCommonDialog;
using orvane::testing::ReadFile;
using orvane::testing::TempDir;
using orvane::testing::TestApplication;
using orvane::testing::WriteFile;

constexpr char kPictureFilter[] = "Jpegs|*.jpg|Bmps|*.bmp|Gifs|*.gif";

// One answer: the kind of modal widget it is for, and what the user does there.
struct Answer {
    std::function<bool(QWidget* modal)> isFor;
    std::function<void(QWidget* modal)> give;
};

Answer Type(const QString& name) {
    const auto edit = [](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        return dialog != nullptr ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
    };
    return {[edit](QWidget* modal) { return edit(modal) != nullptr; },
            [edit, name](QWidget* modal) {
                edit(modal)->setText(name);
                QTest::keyClick(edit(modal), Qt::Key_Return);
            }};
}

Answer Press(QMessageBox::StandardButton which) {
    const auto button = [which](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        return box != nullptr ? box->button(which) : nullptr;
    };
    return {[button](QWidget* modal) { return button(modal) != nullptr; },
            [button](QWidget* modal) { button(modal)->click(); }};
}

// The same answer, with the title of the dialog it was given in noted first.
Answer Noting(QStringList& titles, Answer answer) {
    return {answer.isFor, [&titles, give = answer.give](QWidget* modal) {
                titles << modal->windowTitle();
                give(modal);
            }};
}

// Gives the answers in order to the modal widgets that come up while it lives. Each answer runs
// from the event loop, not from the timer that finds its widget: an answer may open the next
// modal widget and run its loop, and the timer must go on firing inside that.
class User {
  public:
    explicit User(std::vector<Answer> answers) : answers_(std::move(answers)) {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start(10);
    }
    bool AnsweredAll() const { return next_ == answers_.size(); }

  private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || busy_) {
            return;
        }
        if (clock_.elapsed() > 20000) {  // stuck: end the dialogs so the test can fail
            modal->close();
            return;
        }
        if (next_ < answers_.size() && answers_[next_].isFor(modal)) {
            busy_ = true;
            QTimer::singleShot(0, modal, [this, modal, index = next_++] {
                busy_ = false;
                answers_[index].give(modal);
            });
        }
    }

    std::vector<Answer> answers_;
    std::size_t next_ = 0;
    bool busy_ = false;
    QTimer timer_;
    QElapsedTimer clock_;
};

class QtFileDialog : public ::testing::Test {
  protected:
    QtFileDialog() : dialog_(nullptr) {
        dialog_.Filter(kPictureFilter);
        // Starts the dialogs in the test's folder, as a file opened there does.
        dialog_.FileName(dir_ / "opened.tst");
    }

    TestApplication app_;
    TempDir dir_;
    QtCommonDialog dialog_;
};

// Save As picks the format by the name's last three characters: an extension the dialog added
// from the "Jpegs" filter would turn "picture", which writes nothing, into a JPEG.
// The title is the command's, or the dialog's own.
TEST_F(QtFileDialog, SaveKeepsANameTypedWithoutAnExtension) {
    QStringList titles;
    User user({Noting(titles, Type("picture")), Noting(titles, Type("picture"))});

    dialog_.ShowSave();
    dialog_.DialogTitle("Export PNG");
    dialog_.ShowSave();

    EXPECT_TRUE(user.AnsweredAll());
    EXPECT_EQ(dialog_.FileName(), dir_ / "picture");
    EXPECT_EQ(titles, (QStringList{"Save As", "Export PNG"}));
}

TEST_F(QtFileDialog, SaveAsksBeforeReplacingAFileAndNoGoesBackToTheDialog) {
    WriteFile(dir_ / "old.jpg", "old");
    User user({Type("old.jpg"), Press(QMessageBox::No), Type("old.jpg"), Press(QMessageBox::Yes)});

    dialog_.ShowSave();

    EXPECT_TRUE(user.AnsweredAll());
    EXPECT_EQ(dialog_.FileName(), dir_ / "old.jpg");
    EXPECT_EQ(ReadFile(dir_ / "old.jpg"), "old") << "the dialog only names the file";
}

}  // namespace
