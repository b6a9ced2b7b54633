#include "app/gui/U_Varnolt_File_Select.h"
#include "tests/test_support.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Answers the file-open dialog with queued names and records the presets.
class Fake_Open_Dialog : public T_Open_Dialog {
public:
    Fake_Open_Dialog() : T_Open_Dialog(T_Kind::Open) {}
    bool Execute(QWidget*) override
    {
        Presets.push_back(FileName);
        if (Answers.empty())
            return false;
        FileName = Answers.front();
        Answers.erase(Answers.begin());
        return true;
    }
    std::vector<QString> Answers;
    std::vector<QString> Presets;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TEST(FileSelect, HasTheCaptionsAndTabOrder)
{
    TFile_Select_F form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Varnolt - select files"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Select left (base) file"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Select right (modified) file"));
    EXPECT_EQ(form.Button1->text(), QStringLiteral("..."));
    EXPECT_TRUE(form.OK_B->isDefault());
    QWidget* expected[] = {form.Left_E,  form.Button1, form.Right_E,
                           form.Button2, form.OK_B,    form.Cancel_B};
    // The next widget that Tab reaches: labels sit in the chain but take no focus.
    auto next_tab_stop = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    for (int i = 0; i + 1 < 6; ++i)
        EXPECT_EQ(next_tab_stop(expected[i]), expected[i + 1]) << i;
}

TEST(FileSelect, EnablesOkOnlyForTwoExistingFiles)
{
    test::Scratch_Dir dir;
    test::Write_File(dir / "a.png", "");
    test::Write_File(dir / "b.png", "");

    TFile_Select_F empty;
    empty.Prefill("", "");
    EXPECT_TRUE(empty.OK_B->isEnabled()); // nothing checked yet

    TFile_Select_F one;
    one.Prefill(dir / "a.png", "");
    EXPECT_EQ(one.Left_E->text(), Q(dir / "a.png"));
    EXPECT_FALSE(one.OK_B->isEnabled());
    one.Right_E->setText(Q(dir / "b.png"));
    EXPECT_TRUE(one.OK_B->isEnabled());
    one.Right_E->setText(Q(dir.Str())); // a folder is not a file
    EXPECT_FALSE(one.OK_B->isEnabled());
    QTest::keyClicks(one.Right_E, QStringLiteral("/b.png"));
    EXPECT_TRUE(one.OK_B->isEnabled());

    // The right name alone is not taken: the left one must come first.
    TFile_Select_F right_only;
    right_only.Prefill("", dir / "b.png");
    EXPECT_TRUE(right_only.Right_E->text().isEmpty());
}

TEST(FileSelect, BrowseButtonsShareOneDialog)
{
    auto owned = std::make_unique<Fake_Open_Dialog>();
    Fake_Open_Dialog* dialog = owned.get();
    TFile_Select_F form(std::move(owned));
    dialog->Answers = {QStringLiteral("/x/left.png"), QStringLiteral("/x/right.png")};

    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(form.Left_E->text(), QStringLiteral("/x/left.png"));
    // The right field is empty, so the dialog starts with the last name.
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    EXPECT_EQ(form.Right_E->text(), QStringLiteral("/x/right.png"));
    ASSERT_EQ(dialog->Presets.size(), 2u);
    EXPECT_EQ(dialog->Presets[1], QStringLiteral("/x/left.png"));

    // A filled field presets the dialog; cancelling it changes nothing.
    form.Left_E->setText(QStringLiteral("/y/typed.png"));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(dialog->Presets.back(), QStringLiteral("/y/typed.png"));
    EXPECT_EQ(form.Left_E->text(), QStringLiteral("/y/typed.png"));
}

namespace {

// Presses a button of the modal dialog once it is shown.
void Press_Later(const char* which)
{
    QTimer::singleShot(0, [which] {
        auto* form = dynamic_cast<TFile_Select_F*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        if (std::string(which) == "ok")
            form->OK_B->click();
        else
            form->Cancel_B->click();
    });
}

} // namespace

TEST(SelectFiles, OkReturnsBothFieldsAndCancelLeavesTheNames)
{
    test::Scratch_Dir dir;
    test::Write_File(dir / "a b.png", "");
    std::string left = dir / "a b.png", right;
    Press_Later("cancel");
    EXPECT_FALSE(Select_Files(left, right));
    EXPECT_EQ(left, dir / "a b.png");
    EXPECT_EQ(right, "");

    left.clear();
    Press_Later("ok");
    EXPECT_TRUE(Select_Files(left, right));
    EXPECT_EQ(left, "");
    EXPECT_EQ(right, "");
}
