// The texts in Chinese, for every Chinese UI language (mainland, Taiwan, Hong Kong, Singapore, Macao).
#include "text/Texts.h"

namespace velmora {

using enum TextId;

constinit const TextTable ChineseTexts = MakeTextTable(0x04, {
    {MenuOptions, "配置"},
    {MenuHelp, "帮助"},
    {MenuExit, "退出"},
    {MenuClose, "关闭"},
    {MenuRestore, "恢复"},
    {ListRestoreAll, "恢复所有"},
    {ListCloseAll, "关闭所有"},
    {GroupRestoreAll, "恢复 此组中的所有窗口"},
    {GroupCloseAll, "关闭 此组中的所有窗口"},
    {HeadingRestore, "恢复 窗口"},
    {HeadingClose, "关闭 窗口"},
    {SystemMinimize, "Mi&nimize"},
    {TipOneWindow, "One minimized window"},
    {TipWindows, "{} minimized windows"},
    {AskCloseWindow, "以下应用程序将被关闭:\r{}\r确定要关闭吗？"},
    {HotkeyUnavailable, "The hotkey '{}' is not available.\rPlease try another hotkey."},
    {AskCloseMinimized, "All minimized applications will be closed \rProceed with Close ?"},
    {AskRestart, "请您   重启    Velmora !"},

    {PageTray, "系统托盘(&S)"},
    {PageMisc, "杂项(&M)"},
    {PageTriggers, "临时设置(&T)"},
    {PageHotkeys, "热键(&H)"},
    {PageMarks, "标记(&K)"},
    {PageAbout, "关于(&A)"},
    {ButtonHelp, "帮助"},
    {ButtonClose, "关闭"},

    {TrayGroup, " 系统托盘管理 "},
    {TrayEvery, "在托盘处显示每一个最小化窗口的图标"},
    {TrayAll, "只显示一个最小化图标"},
    {TrayGroups, "将相似的窗口显示为一个图标(组图标)"},
    {EveryLabel, "单击或双击从系统托盘处恢复窗口"},
    {EveryDoubleClick, "双击图标时从托盘恢复"},
    {EveryHide, "隐藏不活动图标( 将图标放送到菜单中)"},
    {EveryHideAfter, "隐藏于 {} 分钟后"},
    {EveryShowCount, "以图标方式显示隐藏窗口的数量"},
    {MenuOrderGroup, " 排列菜单方式  "},
    {OrderTitle, "标题"},
    {OrderType, "类型"},
    {OrderLastAccess, "最后访问时间"},
    {AllLabel, "当你需要更多的托盘空间时，这个选项十分有用．要恢复窗口，只需左击Velmora icon图标并选择窗口标题．"},
    {AllShowCount, "显示最小化窗口图标的数量"},
    {AllCloseLabel, "要关闭一个最小化窗口,右键点击图标并选择程序"},
    {AllRightClick, "使图标上能点击右键"},
    {GroupsLabel,
     "使用下面比较频繁有用的程序 : Internet Explorer, Explorer, Notepad, WordPad要恢复窗口，左键点击组图标并在菜单中选择窗口的标题．"},
    {GroupsDoubleClick, "双击时恢复未加入组的窗口"},
    {GroupsMinimum, "组最小 {} 个相似图标"},
    {GroupsShowCount, "在组图标上显示窗口数量"},
    {GroupsColour, "标记或数字的颜色"},

    {RunAtLogin, "Windows启动时运行Velmora"},
    {RunRecommended, "强烈推荐选择此项."},
    {RunWhy, "一些程序不能最小化到系统托盘,是因为没有启动Velmora的缘故."},
    {UseMenuItem, "使用'Minimize to Tray' 选项"},
    {ShowSplash, "显示启动画面"},
    {ConfirmClose, "显示确认关闭窗口对话框"},
    {ChildWindowsLabel, "Velmora能处理一些子窗口,如果你不能最小化到托盘,请选择下面的复选框."},
    {HandleConsole, "NT/2000/XP命令提示符"},
    {HandleWord, "Word文档窗口"},
    {HandleExcel, "Excel 窗口"},

    {VisitWebsite, "访问官方网站"},

    {TriggersLabel, "你可以通过下面的设置快速地将窗口最小化到系统托盘(忽略系统按钮)"},
    {RightClickGroup, " 右键点击 "},
    {ButtonMinimize, "最小化按钮"},
    {ButtonMaximize, "最小化/恢复按钮"},
    {ButtonCloseBox, "关闭按钮"},
    {ButtonAny, "任一按钮"},
    {ButtonNone, "无"},
    {HoldKeyGroup, " 点击并保持(你当最小化窗口时)"},
    {KeyShift, "SHIFT键"},
    {KeyControl, "CONTROL键"},
    {KeyAny, "任一按钮"},
    {KeyNone, "无"},

    {HotkeyMinimize, "使用热键快速最小化到系统托盘"},
    {HotkeyOptions, "激活Velmora配置面板"},
    {HotkeyRestoreAll, "从系统托盘恢复所有窗口"},
    {HotkeyCloseAll, "从系统托盘关闭所有按钮"},
    {HotkeyCloseMinimized, "从托盘和任务栏上关闭所有最小化窗口"},
    {HotkeyShowList, "显示已经列出的最小化窗口列表"},
    {HotkeyError, "Error!"},

    {TipDoubleClick, "如果你想双击从托盘处恢复窗口，就请选择此项．"},
    {TipHide, "如果你想隐藏不活动图标，请你选择此项．"},
    {TipShowHiddenCount, "如果你想看见最小化窗口数量，请你选择此项．"},
    {TipShowCount, "如果你想知道最小化窗口的数量，请你选择此项"},
    {TipRightClick, "如果你想通过右击菜单的方式来关闭窗口，请选择此项．"},
    {TipGroupDoubleClick, "如果你想通过双击来恢复窗口，请选择他．"},
    {TipGroupCount, "如果你想知道最小化窗口的数量，请你选择此项．"},
    {TipConfirmClose, "显示配置对话框"},
    {TipConsole, "5秒后命令提示符窗口将最小化到托盘."},

    {ColourBlack, "Black"}, {ColourMaroon, "Maroon"}, {ColourGreen, "Green"}, {ColourOlive, "Olive"},
    {ColourNavy, "Navy"}, {ColourPurple, "Purple"}, {ColourTeal, "Teal"}, {ColourGray, "Gray"},
    {ColourSilver, "Silver"}, {ColourRed, "Red"}, {ColourLime, "Lime"}, {ColourYellow, "Yellow"},
    {ColourBlue, "Blue"}, {ColourFuchsia, "Fuchsia"}, {ColourAqua, "Aqua"}, {ColourWhite, "White"},
    {ColourMoneyGreen, "Money Green"}, {ColourSkyBlue, "Sky Blue"}, {ColourCream, "Cream"},
    {ColourMediumGray, "Medium Gray"}, {ColourScrollBar, "Scroll Bar"}, {ColourDesktop, "Desktop"},
    {ColourActiveCaption, "Active Caption"}, {ColourInactiveCaption, "Inactive Caption"}, {ColourMenu, "Menu"},
    {ColourWindow, "Window"}, {ColourWindowFrame, "Window Frame"}, {ColourMenuText, "Menu Text"},
    {ColourWindowText, "Window Text"}, {ColourCaptionText, "Caption Text"}, {ColourActiveBorder, "Active Border"},
    {ColourInactiveBorder, "Inactive Border"}, {ColourAppWorkspace, "Application Workspace"},
    {ColourHighlight, "Highlight"}, {ColourHighlightText, "Highlight Text"}, {ColourButtonFace, "Button Face"},
    {ColourButtonShadow, "Button Shadow"}, {ColourGrayText, "Gray Text"}, {ColourButtonText, "Button Text"},
    {ColourInactiveCaptionText, "Inactive Caption Text"}, {ColourButtonHighlight, "Button Highlight"},
    {Colour3DDarkShadow, "3D Dark Shadow"}, {Colour3DLight, "3D Light"}, {ColourInfoText, "Info Text"},
    {ColourInfoBackground, "Info Background"}, {ColourCustom, "Custom..."},

    {MarksLabel, "最小化时送往托盘的窗口(&W):"},
    {MarkColumnName, "程序或窗口类"},
    {MarkColumnFamily, "类别"},
    {MarkColumnClose, "关闭"},
    {MarkColumnOpen, "打开"},
    {MarkToTray, "到托盘"},
    {MarkNoFamily, "—"},
    {MarkAdd, "添加…"},
    {MarkRemove, "移除"},
    {MarkRulesGroup, "所选窗口的规则"},
    {MarkCloseToTray, "单击关闭按钮时送往托盘(&C)"},
    {MarkHideOnOpen, "打开时即送往托盘(&O)"},
    {MarkNoWindows, "没有可标记的窗口"},

    {ChangeHotkeyTitle, "更改热键"},
    {ChangeHotkeyLabel, "更改:选择任意复选框并指定键．"},
    {ChangeHotkeyChange, "更改"},
    {ChangeHotkeyCancel, "取消"},

    {CommandUsage,
     "Velmora.exe /<命令> [参数]   （也可用 - 或 -- 代替 /）\n"
     "\n"
     "/mark <键> [/close-to-tray] [/hide-on-open]\n"
     "    标记一个窗口类或程序的键（如 discord.exe|Chrome_WidgetWin），规则即所给出的规则。\n"
     "/unmark <键>\n"
     "    取消标记。\n"
     "/hide <目标>\n"
     "    把目标的窗口送到托盘。\n"
     "/restore <目标>\n"
     "    从托盘恢复目标的窗口。\n"
     "/toggle <目标>\n"
     "    把目标显示着的窗口送到托盘，并恢复它隐藏的窗口。\n"
     "/restore-all\n"
     "    恢复所有隐藏的窗口。\n"
     "/exit\n"
     "    退出 Velmora，所有隐藏的窗口都会恢复。\n"
     "/run-hidden <程序> [参数]\n"
     "    启动程序，并在它的第一个窗口打开时把它送到托盘。\n"
     "/list\n"
     "    为每个隐藏的窗口输出一行：window、句柄、程序、类、标题、请求注意时为 1（否则为 0）；\n"
     "    再为每个标记输出一行：mark、键、规则。以制表符分隔，UTF-8 编码。\n"
     "/?\n"
     "    显示本说明。\n"
     "\n"
     "目标可以是程序的文件名（notepad.exe）、键或窗口类，或窗口句柄（0x1234）。\n"
     "退出代码：0 完成，1 没有匹配项，2 命令行有误，3 无法连接 Velmora。\n"},
    {CommandNotUnderstood, "无法识别：{}"},
    {CommandTooLong, "命令行太长：Velmora 最多接受 8 KB。"},
    {CommandUnreachable, "无法连接 Velmora。"},
    {CommandStartFailed, "无法启动 {}。"},
    {CommandMissingTarget, "{} 缺少目标：程序的文件名、键或窗口类，或窗口句柄。"},
    {CommandMissingKey, "{} 缺少标记的键：窗口类或程序的键。"},
    {CommandMissingProgram, "{} 缺少要启动的程序。"},
    {CommandNoWindow, "没有与 {} 匹配的项：它没有显示着的窗口，也没有被 Velmora 隐藏的窗口。"},
    {CommandNoMark, "没有与 {} 匹配的项：没有这个标记。"},
    {CommandNotAProgram, "{} 不是程序：/run-hidden 只启动 .exe 和 .com 程序。"},
    {CommandAddExtension, "{} 不是程序，但加上“.exe”的同名文件是程序：请加上扩展名。"},
    {CommandNotTopLevel, "{} 是另一个窗口里的子窗口，不是顶层窗口：/hide、/restore 和 /toggle 只作用于顶层窗口。"},
    {CommandNotEnded, "无法结束 {}：它可能仍处于挂起状态，请在任务管理器中结束它。"},
    {CommandWatchesFull, "Velmora 现在无法等待 {} 的第一个窗口（隐藏启动的程序太多），它未被启动。请一分钟后再试。"},

    {SharedBlockTaken,
     "Velmora 无法启动：它的共享内存“{}”已先被另一个用户或较低完整性级别的程序创建，"
     "创建者可以借此操纵 Velmora。\n\n"
     "请结束创建它的程序，或注销后重新登录，然后再启动 Velmora。"},

    {HelpPage, "zh/index.html"},
    {AttentionTip, " - 需要注意"},
    {AttentionBalloon, "“{}”需要注意"},
    {OptionAttentionBalloon, "隐藏的窗口需要注意时显示气球提示(&B)"},
});

}  // namespace velmora
