<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWindow</name>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Configuration lost! Please restore defaults!</source>
        <translation>配置丢失! 请恢复默认!</translation>
    </message>
    <message>
        <source>connect clould and sync information...</source>
        <translation>连接服务器</translation>
    </message>
    <message>
        <source>Connect server error, will only use local cache firmware.</source>
        <translation>无法连接到服务器</translation>
    </message>
    <message>
        <source>Current Firmware Version</source>
        <translation>当前固件版本</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Erase flash failure!</source>
        <translation>闪存擦除错误！</translation>
    </message>
    <message>
        <source>The firmware on the adapter is incomplete: the update stopped before all of it was written.
Keep the adapter plugged in and run the update again.</source>
        <translation>适配器上的固件不完整：更新在全部写入之前已停止。
请保持适配器连接，然后重新运行更新。</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Firmware downloading...</source>
        <translation>下载固件</translation>
    </message>
    <message>
        <source>Firmware file damage!</source>
        <translation>文件损坏 !</translation>
    </message>
    <message>
        <source>Firmware Files (*.bin *.rfw)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware lost! Please update firmware!</source>
        <translation>固件丢失! 请更新固件!</translation>
    </message>
    <message>
        <source>Firmware upgrade is risky!</source>
        <translation>固件升级有风险！
请谨慎！</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Hardware failure!</source>
        <translation>硬件故障!</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>New Firmware Version</source>
        <translation>新的固件版本</translation>
    </message>
    <message>
        <source>Open Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tavrune Firmware Tool</source>
        <translation>Tavrune Firmware Tool</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>恢复默认</translation>
    </message>
    <message>
        <source>Restored successfully!</source>
        <translation>恢复成功!</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>русский</translation>
    </message>
    <message>
        <source>successfully!</source>
        <translation>顺利完成!</translation>
    </message>
    <message>
        <source>The firmware downloaded and checksum error.</source>
        <translation>固件文件错误！</translation>
    </message>
    <message>
        <source>The information of server error, contact Tavrune for help.</source>
        <translation>错误的json文件！</translation>
    </message>
    <message>
        <source>The network error, checking connect and retry.</source>
        <translation>无法连接到服务器</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>更新固件</translation>
    </message>
    <message>
        <source>Update successfully!</source>
        <translation>更新成功！</translation>
    </message>
    <message>
        <source>Upgrade is not supported</source>
        <translation>不支持升级！
要求BOOT版本 &gt;= 2.0.0</translation>
    </message>
    <message>
        <source>Version Change LOG</source>
        <translation>版本变更日志</translation>
    </message>
    <message>
        <source>Waring</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>When you first install Tavrune Firmware Tool must connect network, and restart Tavrune Firmware Tool.</source>
        <translation>无法连接到服务器</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but another program is using it. Close that program, then unplug and replug the adapter.</source>
        <translation>适配器已插入（%1），但另一个程序正在使用它。请关闭该程序，然后拔下并重新插入适配器。</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but this user may not open it. Install the Tavrune M4 Firmware Tool package or its udev rule, then unplug and replug the adapter.</source>
        <translation>适配器已插入（%1），但当前用户无权打开它。请安装 Tavrune M4 Firmware Tool 软件包或其 udev 规则，然后拔下并重新插入适配器。</translation>
    </message>
    <message>
        <source>The adapter is in use by another program.
It will be found here once that program is done.</source>
        <translation>适配器正被其他程序使用。
该程序结束后，这里将找到适配器。</translation>
    </message>
    <message>
        <source>The adapter is in use by %1.
It will be found here once that program is done.</source>
        <translation>适配器正被 %1 使用。
该程序结束后，这里将找到适配器。</translation>
    </message>
    <message>
        <source>The latest version of Tavrune Firmware Tool is %1; this one is %2.</source>
        <translation>Tavrune Firmware Tool 的最新版本是 %1，当前版本是 %2。</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 carries version %2. It was not written and not kept.</source>
        <translation>为版本 %1 提供的固件文件实际是版本 %2。该文件未被写入，也未被保留。</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 is not the one first seen for that version, on %2. It was not written and not kept.</source>
        <translation>为版本 %1 提供的固件文件与 %2 首次看到的该版本文件不同。该文件未被写入，也未被保留。</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Connecting to the firmware server</source>
        <translation>正在连接固件服务器</translation>
    </message>
    <message>
        <source>No adapter connected</source>
        <translation>未连接适配器</translation>
    </message>
    <message>
        <source>Connect the Tavrune M4 adapter to this computer with its USB cable.</source>
        <translation>请用 USB 线将 Tavrune M4 适配器连接到这台电脑。</translation>
    </message>
    <message>
        <source>Adapter connected</source>
        <translation>适配器已连接</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新进度</translation>
    </message>
    <message>
        <source>New firmware version</source>
        <translation>新的固件版本</translation>
    </message>
    <message>
        <source>The firmware version that the update button writes to the adapter</source>
        <translation>更新按钮将写入适配器的固件版本</translation>
    </message>
    <message>
        <source>Change log</source>
        <translation>变更日志</translation>
    </message>
    <message>
        <source>Shows what changed in the selected firmware version</source>
        <translation>显示所选固件版本的变更内容</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>打开固件文件</translation>
    </message>
    <message>
        <source>Updates the adapter with a firmware file from this computer</source>
        <translation>用这台电脑上的固件文件更新适配器</translation>
    </message>
    <message>
        <source>Writes the selected firmware version to the adapter</source>
        <translation>将所选固件版本写入适配器</translation>
    </message>
    <message>
        <source>Adapter versions</source>
        <translation>适配器版本</translation>
    </message>
    <message>
        <source>Shows the hardware and boot versions of the adapter</source>
        <translation>显示适配器的硬件版本和引导版本</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>The language of the tool</source>
        <translation>本工具的语言</translation>
    </message>
    <message>
        <source>Firmware server reached</source>
        <translation>已连接固件服务器</translation>
    </message>
    <message>
        <source>Firmware server not reached</source>
        <translation>未连接固件服务器</translation>
    </message>
    <message>
        <source>Whether the list of firmware versions was fetched from the firmware server in this run</source>
        <translation>本次运行是否已从固件服务器获取固件版本列表</translation>
    </message>
</context>
<context>
    <name>MessageDialog</name>
    <message>
        <source>Notification</source>
        <translation>通知</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>恢复默认</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>更新固件</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Message</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Tavrune Firmware Tool is already running!</source>
        <translation>Tavrune固件工具已经运行!</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Boot Mode(No Controller):</source>
        <translation>启动模式(无手柄)</translation>
    </message>
    <message>
        <source>Data Backup</source>
        <translation>数据备份</translation>
    </message>
    <message>
        <source>Data Restore</source>
        <translation>数据还原</translation>
    </message>
    <message>
        <source>UNDEFINE</source>
        <translation>[TBD]</translation>
    </message>
</context>
</TS>
