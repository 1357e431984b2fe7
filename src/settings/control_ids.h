#pragma once
// The ids of the window controls, one name each: the main window (`ctl`), the advanced options
// dialog Ctavikadv (`adv`), the smart-bid table dialog CSmartdlg (`smart`), the buttons every
// dialog shares (`dlg`) and the version notice CRegback (`notice`). The same number in two
// windows is two different controls, so each window has its own namespace. Here, below the
// windows and the controller, so that the bindings, the controller and the Qt windows all name
// a control the same way.

namespace tavik {

// The main window.
namespace ctl {
// The default button, hidden: Enter on the window reaches it and nothing happens.
inline constexpr int kDefaultButton = 1;

// Status area, top to bottom.
inline constexpr int kNetModeMark = 1110;   // "+" in the second network mode
inline constexpr int kClock = 1001;         // "系统目前时间"
inline constexpr int kEndTime = 1017;       // "拍卖结束时间"
inline constexpr int kLowestPrice = 1002;   // "最低可成交价"
inline constexpr int kAddMiaoMark = 1127;   // "+" or "-" after the lowest price
inline constexpr int kRemainBox = 1020;     // "拍卖剩余时间", with the sub-second dots
inline constexpr int kCompatMode = 1123;    // checkbox "界面兼容模式"
inline constexpr int kRecording = 1142;     // checkbox "录像", shown once recording is set up
inline constexpr int kMyPrice = 1032;       // "本次出的价格"
inline constexpr int kPriceGap = 1033;      // "差价还有": my price minus the lowest price
inline constexpr int kEngineStatus = 1037;  // "自动出价状态："
inline constexpr int kProgress = 1053;      // "回车自动出价：" progress bar
inline constexpr int kNextStage = 1042;     // "下个出价阶段:"
inline constexpr int kCaptchaMark = 1144;   // "+" or "-" after the next stage

// Group "第二次出价".
inline constexpr int kAutoBid2 = 1005;        // checkbox "在结束拍卖前" (disabled)
inline constexpr int kBid2Sec = 1007;         // seconds before the end of the second bid
inline constexpr int kBid2SecLabel = 1147;    // "秒自动出以下价格"
inline constexpr int kBid2AddRadio = 1003;    // "最低成交价上+"
inline constexpr int kBid2AddPrice = 1008;    // its increment
inline constexpr int kBid2TopUp = 1010;       // "补档"
inline constexpr int kBid2SmartRadio = 1074;  // "智能出价"
inline constexpr int kSmartButton = 1073;     // "智能出价设定": opens the smart-bid table
inline constexpr int kBid2DirRadio = 1004;    // "直接伏击出价"
inline constexpr int kBid2DirPrice = 1009;    // its fixed price

// Group "第三次出价".
inline constexpr int kBid3NowRadio = 1104;    // "A. 完成第二次出价后立即智能出价"
inline constexpr int kBid3AtSecRadio = 1107;  // "B. 在结束拍卖前"
inline constexpr int kBid3Sec = 1108;         // seconds before the end of the third bid
inline constexpr int kBid3SecLabel = 1148;    // "秒，执行在当前的"
inline constexpr int kBid3AddLabel = 1149;    // "最低成交价+"
inline constexpr int kBid3AddPrice = 1031;    // increment of the third bid
inline constexpr int kBid3TopUp = 1016;       // "补档"

// Group "补救策略 (检查当前出价是否合理)".
inline constexpr int kRemedyOn = 1025;       // checkbox "还剩"
inline constexpr int kRemedySec = 1039;      // remedy second
inline constexpr int kRemedyMinDiff = 1113;  // smallest acceptable difference
inline constexpr int kRemedyMaxDiff = 1027;  // largest acceptable difference
inline constexpr int kRemedyAdd = 1044;      // increment of the re-bid
inline constexpr int kRemedyTopUp = 1028;    // "补档"

// Commands and hints at the bottom.
inline constexpr int kSchemeCombo = 1089;       // "我的方案1".."我的方案3"
inline constexpr int kSaveScheme = 1021;        // "保存配置"
inline constexpr int kStartStop = 1018;         // "开始运行", then "停止" and "开始"
inline constexpr int kLaunchPractice = 1040;    // "载入仿真练习"
inline constexpr int kLaunchRealClient = 1019;  // "载入正式拍牌"
inline constexpr int kAdvancedButton = 1056;    // "高级": opens the advanced options
inline constexpr int kHelpButton = 1034;        // "帮助"
inline constexpr int kKeyHelp = 1124;           // the F2 and space key hint
inline constexpr int kBlankLabel = 1143;        // stays empty
inline constexpr int kClientStatus = 1023;      // whether the auction client runs
inline constexpr int kFocusSink = 1035;         // takes the focus at Start

// Hidden: they carry settings for the exchange and the handlers, or are never used.
inline constexpr int kAutoBid3 = 1012;           // "在结束拍卖前"
inline constexpr int kBid3AddRadio = 1029;       // "最低成交价上+"
inline constexpr int kBid3SmartRadio = 1006;     // "智能出价"
inline constexpr int kBid3DirRadio = 1011;       // "直接伏击出价"
inline constexpr int kBid3DirPrice = 1015;       // fixed price of the third bid
inline constexpr int kBid2LateSmart = 1105;      // "出错等情况智能出价" of the second bid
inline constexpr int kBid3LateSmart = 1106;      // the same of the third bid
inline constexpr int kAutoDisconnect = 1057;     // "自动"
inline constexpr int kHiddenSmartButton = 1103;  // "智能出价设定", as kSmartButton
inline constexpr int kVendorDownload = 1111;     // "TT"
inline constexpr int kDisconnectButton = 1064;   // "断开连接/快捷键[ESC]", no effect
inline constexpr int kManualOnly = 1058;  // "关闭全自动出价,全手动操作.（只提示价格)"
inline constexpr int kUnusedBox = 1112;     // read-only box, never shown
inline constexpr int kZeroLabel = 1067;     // "0", not maintained
inline constexpr int kLetterLabel = 1068;   // "A", not maintained
inline constexpr int kAddressLabel = 1069;  // "0.0.0.0", not maintained
}  // namespace ctl

// The advanced options dialog (Ctavikadv): options 1..20 and the seven numbers.
namespace adv {
inline constexpr int kNetOptimise = 1005;          // option 1: client socket first
inline constexpr int kServerParamDelay = 1010;     // option 2
inline constexpr int kSmartJudge = 1012;           // option 3 "智能判断"
inline constexpr int kStuckSwitchServer = 1016;    // option 4, hidden
inline constexpr int kStuckDisconnect = 1057;      // option 5, hidden
inline constexpr int kHalfOpenOnly = 1058;         // option 6, hidden
inline constexpr int kReserved7 = 1059;            // option 7, hidden
inline constexpr int kReserved8 = 1060;            // option 8, hidden
inline constexpr int kRebidOnStrayConfirm = 1061;  // option 9, disabled
inline constexpr int kRebidOnCancel = 1062;        // option 10, disabled
inline constexpr int kRaiseThirdBid = 1063;        // option 11, disabled
inline constexpr int kFloatingAdjust = 1092;       // option 12
inline constexpr int kBelowLowestRebid = 1093;     // option 13
inline constexpr int kEarlyThirdCancel = 1094;     // option 14
inline constexpr int kSubmitWithoutEnter = 1097;   // option 15
inline constexpr int kReserved16 = 1098;           // option 16 "16保留-netread", hidden
inline constexpr int kEarlyConfirm = 1099;         // option 17 "剩余"
inline constexpr int kForceConfirm = 1100;         // option 18 "剩余"
inline constexpr int kReserved19 = 1101;           // option 19, hidden
inline constexpr int kFirstPhaseAuto = 1102;       // option 20, hidden
inline constexpr int kJumpFastThreshold = 1141;    // "(跳价快）或者<="
inline constexpr int kJumpSlowThreshold = 1008;    // "(跳价慢)"
inline constexpr int kEarlySec = 1114;             // "秒内,我的出价差"
inline constexpr int kEarlyMaxDiff = 1112;         // "时延迟"
inline constexpr int kEarlyDelayMs = 1117;         // "毫秒提交。"
inline constexpr int kForceSec = 1116;             // "秒延迟"
inline constexpr int kForceDelayMs = 1146;  // "毫秒,强制立即确认提交。【强制出价】"
}  // namespace adv

// The smart-bid table dialog (CSmartdlg): per row the seconds, the increment and its top-up,
// and on rows 1..6 the fast and slow jump amounts.
namespace smart {
inline constexpr int kSec1 = 1045, kAdd1 = 1049, kTopUp1 = 1016, kFast1 = 1130, kSlow1 = 1131;
inline constexpr int kSec2 = 1046, kAdd2 = 1050, kTopUp2 = 1022, kFast2 = 1132, kSlow2 = 1008;
inline constexpr int kSec3 = 1047, kAdd3 = 1051, kTopUp3 = 1024, kFast3 = 1112, kSlow3 = 1128;
inline constexpr int kSec4 = 1048, kAdd4 = 1052, kTopUp4 = 1026, kFast4 = 1009, kSlow4 = 1129;
inline constexpr int kSec5 = 1070, kAdd5 = 1075, kTopUp5 = 1086, kFast5 = 1133, kSlow5 = 1134;
inline constexpr int kSec6 = 1071, kAdd6 = 1076, kTopUp6 = 1011, kFast6 = 1135, kSlow6 = 1136;
inline constexpr int kSec7 = 1072, kAdd7 = 1077, kTopUp7 = 1087;
inline constexpr int kSec8 = 1073, kAdd8 = 1079, kTopUp8 = 1013;
inline constexpr int kSec9 = 1074, kAdd9 = 1078, kTopUp9 = 1014;
inline constexpr int kSec10 = 1080, kAdd10 = 1081, kTopUp10 = 1015;
inline constexpr int kSec11 = 1082, kAdd11 = 1083, kTopUp11 = 1088;
inline constexpr int kSec12 = 1084, kAdd12 = 1085, kTopUp12 = 1017;
}  // namespace smart

// The buttons of every dialog.
namespace dlg {
inline constexpr int kOk = 1;      // "确定"
inline constexpr int kCancel = 2;  // "取消"
}  // namespace dlg

// The version notice (CRegback).
namespace notice {
inline constexpr int kDownload = 1095;  // "点击下载最新版本"
}  // namespace notice

}  // namespace tavik
