// The shared editor-form commands: OK, Cancel, Update and closing with the question to save.
#include "common/DialogService.h"
#include "common/EditorForm.h"
#include "common/ProgramInfo.h"

#include <gtest/gtest.h>

namespace {

using tlv::DialogService;

class TestEditor final : public tlv::EditorForm {
public:
    TestEditor() { setWindowTitle(QStringLiteral("Film")); }

    bool changed = false;
    bool refuse = false;
    int applied = 0;

protected:
    bool Changed() const override { return changed; }
    bool Apply() override
    {
        if (refuse) return false;
        ++applied;
        changed = false;
        return true;
    }
};

class EditorFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tlv::SetProgramInfo({"coflux", "Coflux", 1, 0, 0, ""});
        form.show();
    }

    QStringList Questions() const
    {
        QStringList texts;
        for (const tlv::DialogRequest& r : DialogService::requests())
            texts << r.text;
        return texts;
    }

    QMessageBox::StandardButton answer = QMessageBox::Yes;
    DialogService::ScopedHandler dialogs{
        [this](const tlv::DialogRequest&) { return tlv::DialogAnswer(answer); }};
    TestEditor form;
};

TEST_F(EditorFormTest, OkAppliesAndClosesUnlessTheApplyIsRefused)
{
    form.changed = true;
    form.refuse = true;
    EXPECT_FALSE(form.RunCommand(tlv::EditorForm::Ok));
    EXPECT_TRUE(form.isVisible()) << "nothing typed is lost";
    form.refuse = false;
    EXPECT_TRUE(form.RunCommand(tlv::EditorForm::Ok));
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.applied, 1);
    EXPECT_TRUE(Questions().isEmpty());
}

TEST_F(EditorFormTest, CancelDropsTheChangesWithoutAsking)
{
    form.changed = true;
    EXPECT_TRUE(form.RunCommand(tlv::EditorForm::Cancel));
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.applied, 0);
    EXPECT_TRUE(Questions().isEmpty());
}

TEST_F(EditorFormTest, UpdateAppliesAndStaysOpen)
{
    form.changed = true;
    EXPECT_TRUE(form.RunCommand(tlv::EditorForm::Update));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.applied, 1);
    EXPECT_FALSE(form.RunCommand(7));
}

TEST_F(EditorFormTest, ClosingWithChangesAsksToSave)
{
    // Nothing changed: no question.
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(Questions().isEmpty());

    form.show();
    form.changed = true;
    answer = QMessageBox::No;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(Questions(), QStringList{QStringLiteral("Save Film Changes?")});
    EXPECT_EQ(form.applied, 0);

    form.show();
    answer = QMessageBox::Yes;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(form.applied, 1);
}

TEST_F(EditorFormTest, AYesWhoseApplyIsRefusedKeepsTheFormOpen)
{
    form.changed = true;
    form.refuse = true;
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Questions().size(), 1);
}

} // namespace
