#include "SystemHelp.h"

const Operations Watching = 0;
const char NoUseHere[] = " has no use on Windows: the station watches the serial ports Windows lists";
const char StationUsage[] = "station [--log FILE] FILE.cfg";
const char StationWatches[] = R"(A programming station: watches the serial ports Windows lists (a COM port
appearing is a unit's adapter plugged in), and programs each unit with the
rows of FILE.cfg, then verifies them, several units at once. The ports
there when it starts (a built-in COM1, a Bluetooth link) are named once and
passed over, never opened: plug a unit in after it starts. A unit
)";
const char SystemParagraph[] = R"(
On Windows, PORT is COM1 ... COM255 as Windows numbers its ports, or "all";
list shows the ports Windows has, with what Windows calls each one, without
sending anything to them; read -o FOLDER names its files COM3-rows.cfg and so
on, as Windows keeps the name COM3 for the port. The station watches the
serial ports Windows lists, so it takes no --watch.
)";
