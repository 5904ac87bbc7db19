// The application: error reports at the toolkit boundary, message boxes, the input box, the
// message loop hook and the main form.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QWindow>

#include "framework/forms/application.h"
#include "framework/forms/dialogs.h"
#include "framework/forms/errors.h"
#include "framework/forms/window_handle.h"
#include "framework/message_pump.h"
#include "probe_controls.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

constexpr std::string_view kClickDesign = R"(
object ProbeForm: TProbeForm
  Width = 60
  Height = 40
  BorderStyle = bsNone
  Caption = 'Error report test'
  object Failing: TProbeShape
    Width = 30
    Height = 40
    OnClick = FailingClick
  end
  object Working: TProbeShape
    Left = 30
    Width = 30
    Height = 40
    OnClick = ShapeClick
  end
end
)";

constexpr std::string_view kFailingCreateDesign = R"(
object ProbeForm: TProbeForm
  Width = 60
  Height = 40
  BorderStyle = bsNone
  Caption = 'Create failure test'
  OnCreate = FailingCreate
end
)";

TEST(Application, AnExceptionLeavingAHandlerIsReportedAndTheProgramGoesOn) {
    TApplication application;
    application.SetTitle("KIV INSTALLER 2000");
    ScriptedAnswers answers;
    auto& form = application.Make<TProbeForm>(std::string_view(kClickDesign));
    form.Show();
    QWindow* window = WindowOf(form);
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(answers.questions.size(), 1u);
    const ModalQuestion& report = answers.questions[0];
    EXPECT_EQ(report.text, "The handler failed");
    EXPECT_EQ(report.caption, "KIV INSTALLER 2000");
    EXPECT_EQ(report.type, TMsgDlgType::mtError);
    EXPECT_EQ(report.buttons, TMsgDlgButtons{TMsgDlgBtn::mbOK});
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_EQ(form.log,
              (std::vector<std::string>{"loaded Failing loading", "loaded Working loading",
                                        "failing click", "click Working"}));
    EXPECT_EQ(answers.questions.size(), 1u);
}

TEST(Application, AFailingCreateHandlerIsReportedAndTheFormStillShows) {
    TApplication application;
    application.SetTitle("Create");
    ScriptedAnswers answers;
    auto& form = application.Make<TProbeForm>(std::string_view(kFailingCreateDesign));
    ASSERT_EQ(answers.questions.size(), 1u);
    EXPECT_EQ(answers.questions[0].text, "The form could not be set up");
    EXPECT_EQ(answers.questions[0].caption, "Create");
    form.Show();
    EXPECT_TRUE(form.Handle().IsVisible());
}

TEST(Application, ClosingTheMainFormEndsTheLoopWhileOtherFormsOnlyHide) {
    TApplication application;
    auto& main = application.Make<TProbeForm>();
    auto& dialog = application.Make<TProbeForm>();
    EXPECT_EQ(application.MainForm(), &main);
    dialog.Show();
    dialog.Close();
    EXPECT_FALSE(dialog.Visible());
    EXPECT_FALSE(application.Terminated());
    // Run shows the main form; a queued close of it ends the loop.
    PostToUiThread([&] { main.Close(); });
    application.Run();
    EXPECT_TRUE(application.Terminated());
    EXPECT_FALSE(main.Visible());
}

TEST(Application, OnCloseCanRefuseTheClose) {
    TApplication application;
    auto& main = application.Make<TProbeForm>();
    main.SetOnClose([](TObject*, TCloseAction& action) { action = TCloseAction::caNone; });
    main.Show();
    main.Close();
    EXPECT_TRUE(main.Visible());
    EXPECT_FALSE(application.Terminated());
}

TEST(Application, ProcessMessagesLetsQueuedWorkThroughOnceTheApplicationExists) {
    int ran = 0;
    PostToUiThread([&] { ++ran; });
    ProcessMessages();  // no application object: the core's hook does nothing yet
    EXPECT_EQ(ran, 0);
    {
        TApplication application;
        ProcessMessages();
        EXPECT_EQ(ran, 1);
    }
    PostToUiThread([&] { ++ran; });
    ProcessMessages();
    EXPECT_EQ(ran, 1) << "the hook is removed with the application";
    QCoreApplication::processEvents();
}

struct MessageBoxCase {
    const char* name;
    unsigned flags;
    TModalResult answer;
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    int result;
};

class MessageBoxTest : public testing::TestWithParam<MessageBoxCase> {};

TEST_P(MessageBoxTest, AsksThroughTheSeamAndMapsTheAnswer) {
    const MessageBoxCase& c = GetParam();
    ScriptedAnswers answers(c.answer);
    EXPECT_EQ(MessageBox("Text", "Caption", c.flags), c.result);
    ASSERT_EQ(answers.questions.size(), 1u);
    EXPECT_EQ(answers.questions[0].type, c.type);
    EXPECT_EQ(answers.questions[0].buttons, c.buttons);
    EXPECT_EQ(answers.questions[0].caption, "Caption");
}

using B = TMsgDlgBtn;
INSTANTIATE_TEST_SUITE_P(Flags, MessageBoxTest,
                         testing::Values(MessageBoxCase{"InformationOk",
                                                        MB_OK | MB_ICONINFORMATION,
                                                        TModalResult::mrOk,
                                                        TMsgDlgType::mtInformation,
                                                        {B::mbOK},
                                                        IDOK},
                                         MessageBoxCase{"WarningOk",
                                                        MB_OK | MB_ICONWARNING,
                                                        TModalResult::mrOk,
                                                        TMsgDlgType::mtWarning,
                                                        {B::mbOK},
                                                        IDOK},
                                         MessageBoxCase{"RetryCancelRetry",
                                                        MB_RETRYCANCEL | MB_ICONERROR,
                                                        TModalResult::mrRetry,
                                                        TMsgDlgType::mtError,
                                                        {B::mbRetry, B::mbCancel},
                                                        IDRETRY},
                                         MessageBoxCase{"RetryCancelCancel",
                                                        MB_RETRYCANCEL,
                                                        TModalResult::mrCancel,
                                                        TMsgDlgType::mtCustom,
                                                        {B::mbRetry, B::mbCancel},
                                                        IDCANCEL},
                                         MessageBoxCase{"AnswerNotOfferedIsTheCautiousOne",
                                                        MB_YESNO | MB_ICONQUESTION,
                                                        TModalResult::mrOk,
                                                        TMsgDlgType::mtConfirmation,
                                                        {B::mbYes, B::mbNo},
                                                        IDNO}),
                         [](const testing::TestParamInfo<MessageBoxCase>& info) {
                             return info.param.name;
                         });

TEST(InputQuery, OkGivesTheTypedTextCutTo255Characters) {
    ScriptedAnswers answers;
    answers.typed = std::string(300, 'x');
    std::string value = "[Release]";
    EXPECT_TRUE(InputQuery("Create new directory", "Type a name:", value));
    EXPECT_EQ(value, std::string(255, 'x'));
    EXPECT_EQ(answers.proposed, (std::vector<std::string>{"[Release]"}));
}

TEST(InputQuery, TheLimitCountsCharactersNotBytes) {
    ScriptedAnswers answers;
    std::string typed;
    for (int i = 0; i < 256; ++i) typed += "\xC3\xA9";  // é
    answers.typed = typed;
    std::string value;
    EXPECT_TRUE(InputQuery("c", "p", value));
    EXPECT_EQ(value, typed.substr(0, 510));
}

TEST(InputQuery, CancelLeavesTheValueAlone) {
    ScriptedAnswers answers;
    std::string value = "Game";
    EXPECT_FALSE(InputQuery("c", "p", value));
    EXPECT_EQ(value, "Game");
}

TEST(ErrorReport, NamesUnknownErrorsAsSuch) {
    ScriptedAnswers answers;
    GuardedCall([] { throw 42; });
    GuardedCall([] { throw std::runtime_error("plain"); });
    ASSERT_EQ(answers.questions.size(), 2u);
    EXPECT_EQ(answers.questions[0].text, "Unknown error");
    EXPECT_EQ(answers.questions[1].text, "plain");
}

}  // namespace
}  // namespace kiv::test

namespace kiv::test {
namespace {

TEST(Application, AHandlerMayDestroyTheWindowThatDeliveredTheClick) {
    TApplication application;
    auto& form = application.Make<TProbeForm>();
    form.SetCaption("Destroyed from its own click");
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetBounds(0, 0, 40, 40);
    auto& box = form.Make<TProbeBox>();
    box.SetName("Box");
    box.SetParent(&form);
    box.SetBounds(0, 0, 40, 40);
    auto& shape = form.Make<TProbeShape>();
    shape.SetParent(&box);
    shape.SetBounds(0, 0, 40, 40);
    shape.SetOnClick([&](TObject*) { form.DestroyComponent(box); });
    form.Show();
    QWindow* window = WindowOf(form);
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(form.FindComponent("Box"), nullptr);
    EXPECT_EQ(form.ControlCount(), 0);
    EXPECT_EQ(shape.Parent(), nullptr);
    // The box's window goes once the event that was delivering the click is over.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(shape.clicks, 1);
    EXPECT_FALSE(form.hits.empty()) << "the form's own window now takes the clicks";
}

}  // namespace
}  // namespace kiv::test
