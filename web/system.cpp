// The one function of host/system.h that the console's environment needs in
// the browser: Stop on the page is the console's Ctrl+C.
#include "system.h"

#include "browser.h"

bool InterruptRequested() {
    return Browser::StopRequested();
}
