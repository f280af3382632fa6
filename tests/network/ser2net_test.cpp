// The program through ser2net: start-up, a cycle, Send and Get, a data read
// and the line settings the server applied, raw and with Telnet line
// control; the server stopping in the middle of a cycle, a fetch, a data
// read or a teach; every byte value of a parameter word through the server
// and back.
#include "program_fixture.h"

#include "ser2net_process.h"

#include "core/globals.h"
#include "core/protocol/frame.h"
#include "link/com232.h"
#include "panels/QzanRMRivad.h"
#include "platform/inspect.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

namespace proto = qzan::protocol;

using qzan::test::Ser2NetProcess;

std::string Output(const std::string &command)
{
    std::string text;
    if (FILE *pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

class ThroughSer2Net : public ProgramTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (Ser2NetProcess::Binary().empty())
            GTEST_SKIP() << "ser2net is not installed";
        ASSERT_TRUE(StartSim({"--baud", "0"}));
        ASSERT_TRUE(server_.Start(dir_, link_, Telnet()));
        setenv("QZAN_COM1", server_.Url().c_str(), 1);
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        server_.Stop();
    }
    bool Telnet() const { return GetParam(); }
    // The server started again and the port chosen anew: the line check and
    // the fetch pass.
    void Reconnect()
    {
        ASSERT_TRUE(server_.Start(dir_, link_, Telnet()));
        ChooseItem(panelHandle, PANEL_DropDCom, 0);
        ASSERT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    }
    // A slow sensor behind the server, so that a wait is under way when the
    // server goes.
    void SlowSensor()
    {
        server_.Stop();
        sim_.Stop();
        ASSERT_TRUE(StartSim({"--baud", "19200", "--turnaround-ms", "400"}));
        Reconnect();
    }
    long long RawPlots() const { return GetGraphModel(panelHandle, PANEL_GRAPH_RAW)->deleteCalls; }

    Ser2NetProcess server_;
};

TEST_P(ThroughSer2Net, startUpCycleSendGetAndDataReadWorkAsOnALocalPort)
{
    StartProgram();
    ASSERT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(ComPortDevice(com), server_.Url());

    const long long before = RawPlots();
    When([&] { return RawPlots() - before >= 50; }, [&] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_EQ(Status(), "Line Ok!");
    EXPECT_GE(RawPlots() - before, 50);
    // The answer to the request outstanding at Stop may still be on its way
    // through the server (TCP may hold a small segment back for tens of ms);
    // the program takes the first whole frame after its request as the
    // answer, so the Get below waits until the line is quiet, as an
    // operator's hand does.
    Spin(300);

    SetCtrlVal(panelHandle, PANEL_Slide_Power, 777);
    Click(panelHandle, PANEL_BTNSend);
    EXPECT_EQ(Status(), "Line Ok!");
    ASSERT_TRUE(WaitUntil([&] { return !sim_.Log("REQ", proto::CMD_WRITE_RAM).empty(); }, 3000));
    SetCtrlVal(panelHandle, PANEL_Slide_Power, 100);
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(power, 777);

    const GraphModel *data = GetGraphModel(panelHandle, PANEL_GraphData);
    const long long curves = data->curvesDrawn;
    When([&] { return data->curvesDrawn - curves >= 2; },
         [&] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNData);
    EXPECT_GE(data->curvesDrawn - curves, 2);
    EXPECT_EQ(Status().find("Timeout"), std::string::npos) << Status();
}

TEST_P(ThroughSer2Net, theServerAppliesTheLineSettingsOnlyWhenAskedThroughTelnet)
{
    StartProgram();
    ASSERT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    const std::string stty = Output("stty -F " + link_ + " -a 2>&1");
    // Raw: the server's own 9600 baud stand; Telnet: the program's 19200, 8N1, no flow control.
    if (Telnet()) {
        EXPECT_NE(stty.find("speed 19200 baud"), std::string::npos) << stty;
        EXPECT_NE(stty.find(" cs8"), std::string::npos) << stty;
        EXPECT_NE(stty.find("-parenb"), std::string::npos) << stty;
        EXPECT_NE(stty.find("-cstopb"), std::string::npos) << stty;
        EXPECT_NE(stty.find("-crtscts"), std::string::npos) << stty;
    } else {
        EXPECT_NE(stty.find("speed 9600 baud"), std::string::npos) << stty;
    }
}

TEST_P(ThroughSer2Net, parameterWordsOfEveryByteValueSurviveTheRoundTrip)
{
    constexpr int kPort = 2;
    ASSERT_EQ(OpenComConfig(kPort, server_.Url().c_str(), 19200, COM_PARITY_NONE, 8, 1, 4096, 4096),
              0)
        << ComLastErrorDetail(kPort);
    proto::Words words{};
    words.fill(0xFFFF);
    words[1] = 0xFF00;
    words[2] = 0x00FF;
    words[3] = 0xFFFE;
    const proto::Frame write = proto::EncodeRequest(proto::SYNC_WORD, proto::CMD_WRITE_RAM, words);
    ASSERT_EQ(ComWrt(kPort, reinterpret_cast<const char *>(write.data()), proto::FRAME_BYTES),
              proto::FRAME_BYTES);
    ASSERT_TRUE(WaitUntil([&] { return !sim_.Log("REQ", proto::CMD_WRITE_RAM).empty(); }, 3000));
    Spin(100);
    FlushInQ(kPort);
    const proto::Frame read = proto::EncodeRequest(proto::SYNC_WORD, proto::CMD_READ_RAM, {});
    ASSERT_EQ(ComWrt(kPort, reinterpret_cast<const char *>(read.data()), proto::FRAME_BYTES),
              proto::FRAME_BYTES);
    proto::Frame reply{};
    ASSERT_EQ(ComRd(kPort, reinterpret_cast<char *>(reply.data()), proto::FRAME_BYTES),
              proto::FRAME_BYTES);
    const auto decoded = proto::DecodeReply(reply);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->words[0], 0xFFFF);
    EXPECT_EQ(decoded->words[1], 0xFF00);
    EXPECT_EQ(decoded->words[2], 0x00FF);
    EXPECT_EQ(decoded->words[3], 0xFFFE);
    EXPECT_EQ(decoded->words[15], 0xFFFF);
    CloseCom(kPort);
}

TEST_P(ThroughSer2Net, theServerStoppingEndsACycleAndAFetchInTheirTimeOutsAndReconnects)
{
    StartProgram();
    ASSERT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    const long long before = RawPlots();
    When([&] { return RawPlots() - before >= 20; }, [&] { server_.Stop(); });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_EQ(Status(), "Timeout RS232-Line!");
    EXPECT_LT(ComWrt(com, szWriteBuf, proto::FRAME_BYTES), 0) << "the lost port was closed";

    ASSERT_NO_FATAL_FAILURE(Reconnect());
    const long long again = RawPlots();
    When([&] { return RawPlots() - again >= 20; }, [&] { Click(panelHandle, PANEL_BTNStop); });
    Click(panelHandle, PANEL_BTNRun);
    EXPECT_GE(RawPlots() - again, 20);

    ASSERT_NO_FATAL_FAILURE(SlowSensor());
    QTimer::singleShot(100, [this] { server_.Stop(); });
    Click(panelHandle, PANEL_BTNGet);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    ASSERT_NO_FATAL_FAILURE(Reconnect());
}

TEST_P(ThroughSer2Net, theServerStoppingEndsADataReadAndATeachAsAnUnpluggedCableDoes)
{
    StartProgram();
    ASSERT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    const GraphModel *data = GetGraphModel(panelHandle, PANEL_GraphData);
    const long long curves = data->curvesDrawn;
    When([&] { return data->curvesDrawn - curves >= 2; }, [&] { server_.Stop(); });
    Click(panelHandle, PANEL_BTNData);
    EXPECT_EQ(Status(), "Timeout RS232-Line!");
    EXPECT_EQ(stop_flag, 1);

    ASSERT_NO_FATAL_FAILURE(SlowSensor());
    QTimer::singleShot(100, [this] { server_.Stop(); });
    Click(panelHandle, PANEL_ButtonTeach);
    EXPECT_EQ(Status(), "Timeout-RS-232...");
    ASSERT_NO_FATAL_FAILURE(Reconnect());
}

using NetworkAddress = ProgramTest;

TEST_F(NetworkAddress, aBadAddressOrAnAbsentServerSaysCannotOpenPortWithTheReasonInTheTooltip)
{
    const struct {
        std::string address, reason;
    } cases[] = {
        {"tcp://", "no host and port"},
        {"tcp://127.0.0.1", "no port"},
        {"rfc2217://127.0.0.1:0", "1 to 65535"},
        {"tcp://127.0.0.1:65536", "1 to 65535"},
        {"ftp://127.0.0.1:21", "unknown scheme"},
        {"tcp://127.0.0.1:1", "refused"},
    };
    StartProgram();
    for (const auto &c : cases) {
        setenv("QZAN_COM1", c.address.c_str(), 1);
        ChooseItem(panelHandle, PANEL_DropDCom, 0);
        EXPECT_EQ(Status(), "Cannot open port") << c.address;
        const std::string tip = Widget(panelHandle, PANEL_STATUS)->toolTip().toStdString();
        EXPECT_NE(tip.find("COM1: " + c.address + ": "), std::string::npos) << tip;
        EXPECT_NE(tip.find(c.reason), std::string::npos) << tip;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ThroughSer2Net, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "rfc2217" : "raw"; });

} // namespace
