#include "SystemHelp.h"

const Operations Watching = operationBit(Operation::Station);
const char NoUseHere[] = " has no use on this system";
const char StationUsage[] = "station [--watch DIR] [--log FILE] FILE.cfg";
const char StationWatches[] =
    R"(A programming station: watches for serial adapters appearing (their stable
names under /dev/serial/by-id), and programs each unit plugged in with the
rows of FILE.cfg, then verifies them, several units at once. An entry of
the folder that is no serial device is named once and passed over. A unit
)";
const char SystemParagraph[] = "";
