#include "bench/soak/auto_answer_window_system.h"

#include <cstdlib>

namespace soak {

void AutoAnswerWindowSystem::record(AnsweredPrompt prompt) {
  log_.push_back(std::move(prompt));
  if (onPrompt_) onPrompt_(log_.back());
}

int AutoAnswerWindowSystem::messageBox(const platform::MessageBoxRequest& request) {
  record({AnsweredPrompt::Kind::MessageBox, request.caption, request.text});
  return IDOK;
}

bool AutoAnswerWindowSystem::runFileDialog(platform::FileDialogRequest& request) {
  // Only saving has an answer; an open dialog is cancelled, which the
  // monitor takes as "nothing happens".
  if (request.open || savePath_.empty()) {
    record({request.open ? AnsweredPrompt::Kind::OpenDialog : AnsweredPrompt::Kind::SaveDialog,
            {},
            {}});
    return false;
  }
  request.chosenPath = savePath_;
  record({AnsweredPrompt::Kind::SaveDialog, {}, savePath_});
  return true;
}

void AutoAnswerWindowSystem::exitProcess(int status) {
  if (onExit_) onExit_(status);
  inner_.exitProcess(status);
  std::_Exit(status);  // the inner system never returns; this is for the compiler
}

}  // namespace soak
