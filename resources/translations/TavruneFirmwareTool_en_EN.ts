<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_EN">
<context>
    <name>MainWindow</name>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Configuration lost! Please restore defaults!</source>
        <translation>Configuration lost! Please restore defaults!</translation>
    </message>
    <message>
        <source>connect clould and sync information...</source>
        <translation>connecting to cloud servers</translation>
    </message>
    <message>
        <source>Connect server error, will only use local cache firmware.</source>
        <translation>fail to connect to cloud servers</translation>
    </message>
    <message>
        <source>Current Firmware Version</source>
        <translation>Current Firmware Version</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Erase flash failure!</source>
        <translation>flash erase error!</translation>
    </message>
    <message>
        <source>The firmware on the adapter is incomplete: the update stopped before all of it was written.
Keep the adapter plugged in and run the update again.</source>
        <translation>The firmware on the adapter is incomplete: the update stopped before all of it was written.
Keep the adapter plugged in and run the update again.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Firmware downloading...</source>
        <translation>Download firmware</translation>
    </message>
    <message>
        <source>Firmware file damage!</source>
        <translation>Corrupted file !</translation>
    </message>
    <message>
        <source>Firmware Files (*.bin *.rfw)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware lost! Please update firmware!</source>
        <translation>Firmware lost! Please update firmware!</translation>
    </message>
    <message>
        <source>Firmware upgrade is risky!</source>
        <translation>Firmware upgrade is risky!
Caution, Please</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Hardware failure!</source>
        <translation>Hardware failure!</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>New Firmware Version</source>
        <translation>New Firmware Version</translation>
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
        <translation>Restore Defaults</translation>
    </message>
    <message>
        <source>Restored successfully!</source>
        <translation>Restored successfully!</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>русский</translation>
    </message>
    <message>
        <source>successfully!</source>
        <translation>completed successfully!</translation>
    </message>
    <message>
        <source>The firmware downloaded and checksum error.</source>
        <translation>Firmware file error!</translation>
    </message>
    <message>
        <source>The information of server error, contact Tavrune for help.</source>
        <translation>wrong json file!</translation>
    </message>
    <message>
        <source>The network error, checking connect and retry.</source>
        <translation>fail to connect to cloud servers</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Update Firmware</translation>
    </message>
    <message>
        <source>Update successfully!</source>
        <translation>Update successfully!</translation>
    </message>
    <message>
        <source>Upgrade is not supported</source>
        <translation>Upgrade is not supported!
Required Boot Version &gt;= 2.0.0</translation>
    </message>
    <message>
        <source>Version Change LOG</source>
        <translation>Version ChangeLog</translation>
    </message>
    <message>
        <source>Waring</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>When you first install Tavrune Firmware Tool must connect network, and restart Tavrune Firmware Tool.</source>
        <translation>fail to connect to cloud servers</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but another program is using it. Close that program, then unplug and replug the adapter.</source>
        <translation>The adapter is plugged in (%1), but another program is using it. Close that program, then unplug and replug the adapter.</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but this user may not open it. Install the Tavrune M4 Firmware Tool package or its udev rule, then unplug and replug the adapter.</source>
        <translation>The adapter is plugged in (%1), but this user may not open it. Install the Tavrune M4 Firmware Tool package or its udev rule, then unplug and replug the adapter.</translation>
    </message>
    <message>
        <source>The adapter is in use by another program.
It will be found here once that program is done.</source>
        <translation>The adapter is in use by another program.
It will be found here once that program is done.</translation>
    </message>
    <message>
        <source>The adapter is in use by %1.
It will be found here once that program is done.</source>
        <translation>The adapter is in use by %1.
It will be found here once that program is done.</translation>
    </message>
    <message>
        <source>The latest version of Tavrune Firmware Tool is %1; this one is %2.</source>
        <translation>The latest version of Tavrune Firmware Tool is %1; this one is %2.</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 carries version %2. It was not written and not kept.</source>
        <translation>The firmware file offered for version %1 carries version %2. It was not written and not kept.</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 is not the one first seen for that version, on %2. It was not written and not kept.</source>
        <translation>The firmware file offered for version %1 is not the one first seen for that version, on %2. It was not written and not kept.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Connecting to the firmware server</source>
        <translation>Connecting to the firmware server</translation>
    </message>
    <message>
        <source>No adapter connected</source>
        <translation>No adapter connected</translation>
    </message>
    <message>
        <source>Connect the Tavrune M4 adapter to this computer with its USB cable.</source>
        <translation>Connect the Tavrune M4 adapter to this computer with its USB cable.</translation>
    </message>
    <message>
        <source>Adapter connected</source>
        <translation>Adapter connected</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Update progress</translation>
    </message>
    <message>
        <source>New firmware version</source>
        <translation>New firmware version</translation>
    </message>
    <message>
        <source>The firmware version that the update button writes to the adapter</source>
        <translation>The firmware version that the update button writes to the adapter</translation>
    </message>
    <message>
        <source>Change log</source>
        <translation>Change log</translation>
    </message>
    <message>
        <source>Shows what changed in the selected firmware version</source>
        <translation>Shows what changed in the selected firmware version</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>Open firmware file</translation>
    </message>
    <message>
        <source>Updates the adapter with a firmware file from this computer</source>
        <translation>Updates the adapter with a firmware file from this computer</translation>
    </message>
    <message>
        <source>Writes the selected firmware version to the adapter</source>
        <translation>Writes the selected firmware version to the adapter</translation>
    </message>
    <message>
        <source>Adapter versions</source>
        <translation>Adapter versions</translation>
    </message>
    <message>
        <source>Shows the hardware and boot versions of the adapter</source>
        <translation>Shows the hardware and boot versions of the adapter</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>The language of the tool</source>
        <translation>The language of the tool</translation>
    </message>
    <message>
        <source>Firmware server reached</source>
        <translation>Firmware server reached</translation>
    </message>
    <message>
        <source>Firmware server not reached</source>
        <translation>Firmware server not reached</translation>
    </message>
    <message>
        <source>Whether the list of firmware versions was fetched from the firmware server in this run</source>
        <translation>Whether the list of firmware versions was fetched from the firmware server in this run</translation>
    </message>
</context>
<context>
    <name>MessageDialog</name>
    <message>
        <source>Notification</source>
        <translation>Notification</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Restore Defaults</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Update Firmware</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Tavrune Firmware Tool is already running!</source>
        <translation>Tavrune Firmware Tool is running!</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Boot Mode(No Controller):</source>
        <translation>Boot Mode(No Controller)</translation>
    </message>
    <message>
        <source>Data Backup</source>
        <translation>Data Backup</translation>
    </message>
    <message>
        <source>Data Restore</source>
        <translation>Data Restore</translation>
    </message>
    <message>
        <source>UNDEFINE</source>
        <translation>[TBD]</translation>
    </message>
</context>
</TS>
