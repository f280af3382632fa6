// The program's callbacks under the names the panel file gives them.
#include "app/QzanRMRivad.h"
#include "app/record.h"
#include "platform/ui.h"
#include "settings/PopUp.h"

namespace {

#define CONTROL(name) {#name, name, nullptr}
#define PANEL_CB(name) {#name, nullptr, name}

constexpr CallbackName kCallbacks[] = {
    PANEL_CB(CC_PANEL),
    PANEL_CB(CC_POPUP),
    CONTROL(CC_Timer50ms),
    CONTROL(CC_BTNRun),
    CONTROL(CC_BTNStop),
    CONTROL(CC_GraphData),
    CONTROL(CC_ButtonTeach),
    CONTROL(CC_NEDITVideoThreshold),
    CONTROL(CC_DropDEvalmode),
    CONTROL(CC_DropDCom),
    CONTROL(CC_Slide_Reference),
    CONTROL(CC_Slide_Tolerance),
    CONTROL(CC_Slide_Power),
    CONTROL(CC_RingPowerMode),
    CONTROL(CC_RingPolarity),
    CONTROL(CC_BTNSend),
    CONTROL(CC_BTNGet),
    CONTROL(CC_RBTRam),
    CONTROL(CC_RBTEeprom),
    CONTROL(CC_RBTFile),
    CONTROL(CC_BTNData),
    CONTROL(CC_BTNCompare),
    CONTROL(CC_BTNTrend),
    CONTROL(CC_BTNMonitor),
    CONTROL(CC_NEDITEdgeLeft),
    CONTROL(CC_NEDITEdgeRight),
    CONTROL(CC_NEDITTolLeff),
    CONTROL(CC_BINSWITCH_UM),
    CONTROL(CC_BTN_CCDSettings),
    CONTROL(CC_BIN_Switch_VGain),
    CONTROL(CC_BTNTeachBackGround),
    CONTROL(CC_NSLIDE_PixelStart),
    CONTROL(CC_RING_CCDMode),
    CONTROL(CC_RING_CCDBGMode),
    CONTROL(CC_BIN_Sw_EnableTol),
    CONTROL(CC_NEDITTolerance),
    CONTROL(CC_NEDITTeach),
    CONTROL(CC_NUM_ScalFact),
    CONTROL(CC_BIN_Sw_Record),
};

#undef CONTROL
#undef PANEL_CB

} // namespace

const CallbackName *ProgramCallbacks(int &count)
{
    count = static_cast<int>(sizeof kCallbacks / sizeof kCallbacks[0]);
    return kCallbacks;
}
