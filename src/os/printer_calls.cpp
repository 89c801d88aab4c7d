// The swappable table of printer, driver-folder and plug-in calls, starting
// out at the platform's own implementation.
#include "os/printer.h"
#include "os/private_profile.h"

namespace hostutil::os {

printer_calls& printer_syscalls() {
  static printer_calls calls{enumerate_printers,
                             printer_at,
                             open_printer,
                             printer_driver,
                             driver_path,
                             close_printer,
                             private_profile_string,
                             find_first_file,
                             find_next_file,
                             find_close,
                             load_module,
                             module_export,
                             unload_module};
  return calls;
}

}  // namespace hostutil::os
