// The compare window: the sensor's RAM and EEPROM sets, the panels' values
// and, if the operator picks one, a parameter file, side by side.
#ifndef VIEWS_COMPARE_H
#define VIEWS_COMPARE_H

class QWidget;

// Shows the window over the main panel (or brings it back) and fetches both
// sensor sets afresh. The window stays until the operator closes it.
void OpenCompareWindow(void);

// The window once opened, for tests and screenshots; nullptr before and
// after the main panel is gone.
QWidget *CompareWindowWidget(void);

// Every write from the window is asked first. A test may answer instead of
// the operator: 1 is yes. nullptr asks the operator again.
using CompareConfirmHook = int (*)(const char *question);
void SetCompareConfirmHook(CompareConfirmHook hook);

// The texts the window shows besides those it shares with Get.
#define TXT_RAM_CHANGES "RAM holds changes that a power cycle will lose"
#define TXT_SETS_AGREE "RAM and EEPROM hold the same set"
#define TXT_ASK_RAM_TO_EEPROM                                                                 \
    "Write the sensor's RAM set into its EEPROM?\nThe values now in the EEPROM are overwritten."
#define TXT_ASK_EEPROM_TO_PANELS                                                              \
    "Put the sensor's EEPROM set on the panels?\nValues on the panels that were not sent are overwritten."
#define TXT_NOT_QUEUED "The port did not take the frame - nothing sent!"
#define TXT_ON_PANELS "EEPROM set on the panels (not yet sent)"

#endif
