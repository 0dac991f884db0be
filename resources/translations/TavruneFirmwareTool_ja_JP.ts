<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>MainWindow</name>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Configuration lost! Please restore defaults!</source>
        <translation>構成が失われました！ デフォルトに戻してください！</translation>
    </message>
    <message>
        <source>connect clould and sync information...</source>
        <translation>サーバーに接続します</translation>
    </message>
    <message>
        <source>Connect server error, will only use local cache firmware.</source>
        <translation>サーバーへの接続に失敗する</translation>
    </message>
    <message>
        <source>Current Firmware Version</source>
        <translation>現在のファームウェアバージョン</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Erase flash failure!</source>
        <translation>フラッシュ消去エラー！</translation>
    </message>
    <message>
        <source>The firmware on the adapter is incomplete: the update stopped before all of it was written.
Keep the adapter plugged in and run the update again.</source>
        <translation>アダプターのファームウェアが不完全です。すべて書き込まれる前に更新が停止しました。
アダプターを接続したまま、もう一度更新してください。</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>Firmware downloading...</source>
        <translation>ファームウェアをダウンロードする</translation>
    </message>
    <message>
        <source>Firmware file damage!</source>
        <translation>ファイル壊れた !</translation>
    </message>
    <message>
        <source>Firmware Files (*.bin *.rfw)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware lost! Please update firmware!</source>
        <translation>ファームウェアが失われました！ ファームウェアを更新してください！</translation>
    </message>
    <message>
        <source>Firmware upgrade is risky!</source>
        <translation>ファームウェアのアップグレードは危険です！
注意してください！</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Hardware failure!</source>
        <translation>ハードウェア故障!</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>New Firmware Version</source>
        <translation>新しいファームウェアバージョン</translation>
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
        <translation>デフォルトに戻す</translation>
    </message>
    <message>
        <source>Restored successfully!</source>
        <translation>正常に戻りました！</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>русский</translation>
    </message>
    <message>
        <source>successfully!</source>
        <translation>正常に完了しました!</translation>
    </message>
    <message>
        <source>The firmware downloaded and checksum error.</source>
        <translation>ファームウェアファイルエラー！</translation>
    </message>
    <message>
        <source>The information of server error, contact Tavrune for help.</source>
        <translation>間違ったjsonファイル！</translation>
    </message>
    <message>
        <source>The network error, checking connect and retry.</source>
        <translation>サーバーへの接続に失敗する</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>ファームウェアの更新</translation>
    </message>
    <message>
        <source>Update successfully!</source>
        <translation>アップデートは正常に完了しました！</translation>
    </message>
    <message>
        <source>Upgrade is not supported</source>
        <translation>アップグレードはサポートされていません!
必要なブート バージョン &gt;= 2.0.0</translation>
    </message>
    <message>
        <source>Version Change LOG</source>
        <translation>バージョン変更ログ</translation>
    </message>
    <message>
        <source>Waring</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>When you first install Tavrune Firmware Tool must connect network, and restart Tavrune Firmware Tool.</source>
        <translation>サーバーへの接続に失敗する</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but another program is using it. Close that program, then unplug and replug the adapter.</source>
        <translation>アダプター（%1）は接続されていますが、別のプログラムが使用しています。そのプログラムを終了してから、アダプターを抜いて差し直してください。</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but this user may not open it. Install the Tavrune M4 Firmware Tool package or its udev rule, then unplug and replug the adapter.</source>
        <translation>アダプター（%1）は接続されていますが、このユーザーには開く権限がありません。Tavrune M4 Firmware Tool のパッケージまたはその udev ルールをインストールしてから、アダプターを抜いて差し直してください。</translation>
    </message>
    <message>
        <source>The adapter is in use by another program.
It will be found here once that program is done.</source>
        <translation>アダプターは他のプログラムが使用中です。
そのプログラムが終わると、ここで見つかります。</translation>
    </message>
    <message>
        <source>The adapter is in use by %1.
It will be found here once that program is done.</source>
        <translation>アダプターは %1 が使用中です。
そのプログラムが終わると、ここで見つかります。</translation>
    </message>
    <message>
        <source>The latest version of Tavrune Firmware Tool is %1; this one is %2.</source>
        <translation>Tavrune Firmware Tool の最新バージョンは %1 です。このバージョンは %2 です。</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 carries version %2. It was not written and not kept.</source>
        <translation>バージョン %1 として提供されたファームウェアファイルの中身はバージョン %2 です。書き込まず、保存もしませんでした。</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 is not the one first seen for that version, on %2. It was not written and not kept.</source>
        <translation>バージョン %1 として提供されたファームウェアファイルは、%2 に初めて確認したこのバージョンのファイルと異なります。書き込まず、保存もしませんでした。</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Connecting to the firmware server</source>
        <translation>ファームウェアサーバーに接続しています</translation>
    </message>
    <message>
        <source>No adapter connected</source>
        <translation>アダプターが接続されていません</translation>
    </message>
    <message>
        <source>Connect the Tavrune M4 adapter to this computer with its USB cable.</source>
        <translation>Tavrune M4 アダプターを USB ケーブルでこのコンピューターに接続してください。</translation>
    </message>
    <message>
        <source>Adapter connected</source>
        <translation>アダプターが接続されました</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新の進行状況</translation>
    </message>
    <message>
        <source>New firmware version</source>
        <translation>新しいファームウェアバージョン</translation>
    </message>
    <message>
        <source>The firmware version that the update button writes to the adapter</source>
        <translation>更新ボタンでアダプターに書き込むファームウェアバージョン</translation>
    </message>
    <message>
        <source>Change log</source>
        <translation>変更履歴</translation>
    </message>
    <message>
        <source>Shows what changed in the selected firmware version</source>
        <translation>選択したファームウェアバージョンの変更点を表示します</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>ファームウェアファイルを開く</translation>
    </message>
    <message>
        <source>Updates the adapter with a firmware file from this computer</source>
        <translation>このコンピューター上のファームウェアファイルでアダプターを更新します</translation>
    </message>
    <message>
        <source>Writes the selected firmware version to the adapter</source>
        <translation>選択したファームウェアバージョンをアダプターに書き込みます</translation>
    </message>
    <message>
        <source>Adapter versions</source>
        <translation>アダプターのバージョン</translation>
    </message>
    <message>
        <source>Shows the hardware and boot versions of the adapter</source>
        <translation>アダプターのハードウェアとブートのバージョンを表示します</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>言語</translation>
    </message>
    <message>
        <source>The language of the tool</source>
        <translation>ツールの言語</translation>
    </message>
    <message>
        <source>Firmware server reached</source>
        <translation>ファームウェアサーバーに接続済み</translation>
    </message>
    <message>
        <source>Firmware server not reached</source>
        <translation>ファームウェアサーバーに接続できません</translation>
    </message>
    <message>
        <source>Whether the list of firmware versions was fetched from the firmware server in this run</source>
        <translation>今回の起動でファームウェアバージョンの一覧をサーバーから取得できたかどうか</translation>
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
        <translation>はい</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>デフォルトに戻す</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>ファームウェアの更新</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Message</source>
        <translation>メッセージ</translation>
    </message>
    <message>
        <source>Tavrune Firmware Tool is already running!</source>
        <translation>Tavrune Flash Toolは実行中!</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Boot Mode(No Controller):</source>
        <translation>ブートモード（ハンドルなし）</translation>
    </message>
    <message>
        <source>Data Backup</source>
        <translation>データバックアップ</translation>
    </message>
    <message>
        <source>Data Restore</source>
        <translation>データの復元</translation>
    </message>
    <message>
        <source>UNDEFINE</source>
        <translation>[TBD]</translation>
    </message>
</context>
</TS>
