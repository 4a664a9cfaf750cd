// The locator moved to the record library; this name stays for the one test
// outside the splitter that still includes it.
#include "record/locate.h"
