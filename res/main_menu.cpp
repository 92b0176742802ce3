#include "res/main_menu.h"

#include "res/resource.h"

std::unique_ptr<CMenu> loadMainMenu() {
  auto file = std::make_unique<CMenu>();
  file->AppendItem("Read file", ID_READ_FILE).AppendItem("Save File", ID_SAVE_FILE);

  auto action = std::make_unique<CMenu>();
  action->AppendItem("Connect...", ID_CONNECT)
      .AppendItem("Disconnect...", ID_DISCONNECT)
      .AppendSeparator();

  auto help = std::make_unique<CMenu>();
  help->AppendItem("&About KORVANE...", ID_APP_ABOUT);

  auto bar = std::make_unique<CMenu>();
  bar->AppendPopup("File", std::move(file))
      .AppendPopup("Action", std::move(action))
      .AppendItem("Setup", ID_SETUP)  // a command on the bar itself
      .AppendPopup("&Help", std::move(help));
  return bar;
}
