// The swappable table of dialog, help and browser calls. It starts out pointing
// at the platform's implementation; tests put a recording stand-in in its place.
#include "os/dialog.h"

namespace hostutil::os {

dialog_calls& dialog_syscalls() {
  static dialog_calls calls{open_file_dialog, save_file_dialog, browse_for_folder, find_html_help,
                            html_help,        win_help,         open_url};
  return calls;
}

}  // namespace hostutil::os
