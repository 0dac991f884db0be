<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>MainWindow</name>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Configuration lost! Please restore defaults!</source>
        <translation>Конфигурация потеряна! Пожалуйста, восстановите настройки по умолчанию!</translation>
    </message>
    <message>
        <source>connect clould and sync information...</source>
        <translation>подключиться к серверу</translation>
    </message>
    <message>
        <source>Connect server error, will only use local cache firmware.</source>
        <translation>не удается подключиться к серверам</translation>
    </message>
    <message>
        <source>Current Firmware Version</source>
        <translation>Текущая версия прошивки</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Erase flash failure!</source>
        <translation>ошибка стирания прошивки!</translation>
    </message>
    <message>
        <source>The firmware on the adapter is incomplete: the update stopped before all of it was written.
Keep the adapter plugged in and run the update again.</source>
        <translation>Прошивка адаптера неполная: обновление остановилось до того, как она была записана целиком.
Не отключайте адаптер и запустите обновление снова.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Firmware downloading...</source>
        <translation>Скачать прошивку</translation>
    </message>
    <message>
        <source>Firmware file damage!</source>
        <translation>Поврежденный файл!</translation>
    </message>
    <message>
        <source>Firmware Files (*.bin *.rfw)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware lost! Please update firmware!</source>
        <translation>Прошивка потеряна! Обновите прошивку!</translation>
    </message>
    <message>
        <source>Firmware upgrade is risky!</source>
        <translation>Обновление прошивки опасно!
Осторожно, пожалуйста!</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Hardware failure!</source>
        <translation>Сбой оборудования!</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>New Firmware Version</source>
        <translation>Новая версия прошивки</translation>
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
        <translation>Восстановить настройки по-умолчанию</translation>
    </message>
    <message>
        <source>Restored successfully!</source>
        <translation>Восстановлен успешно!</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>русский</translation>
    </message>
    <message>
        <source>successfully!</source>
        <translation>завершено успешно!</translation>
    </message>
    <message>
        <source>The firmware downloaded and checksum error.</source>
        <translation>Ошибка файла прошивки!</translation>
    </message>
    <message>
        <source>The information of server error, contact Tavrune for help.</source>
        <translation>неправильный файл json!</translation>
    </message>
    <message>
        <source>The network error, checking connect and retry.</source>
        <translation>не удается подключиться к серверам</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Обновить прошивку</translation>
    </message>
    <message>
        <source>Update successfully!</source>
        <translation>Обновление успешно!</translation>
    </message>
    <message>
        <source>Upgrade is not supported</source>
        <translation>Обновление не поддерживается!
Требуемая версия загрузки &gt;= 2.0.0</translation>
    </message>
    <message>
        <source>Version Change LOG</source>
        <translation>Журнал изменений версии</translation>
    </message>
    <message>
        <source>Waring</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>When you first install Tavrune Firmware Tool must connect network, and restart Tavrune Firmware Tool.</source>
        <translation>не удается подключиться к серверам</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but another program is using it. Close that program, then unplug and replug the adapter.</source>
        <translation>Адаптер подключён (%1), но его использует другая программа. Закройте эту программу, затем отключите и снова подключите адаптер.</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but this user may not open it. Install the Tavrune M4 Firmware Tool package or its udev rule, then unplug and replug the adapter.</source>
        <translation>Адаптер подключён (%1), но у этого пользователя нет прав на его открытие. Установите пакет Tavrune M4 Firmware Tool или его правило udev, затем отключите и снова подключите адаптер.</translation>
    </message>
    <message>
        <source>The adapter is in use by another program.
It will be found here once that program is done.</source>
        <translation>Адаптер используется другой программой.
Он появится здесь, когда эта программа завершит работу.</translation>
    </message>
    <message>
        <source>The adapter is in use by %1.
It will be found here once that program is done.</source>
        <translation>Адаптер используется программой %1.
Он появится здесь, когда эта программа завершит работу.</translation>
    </message>
    <message>
        <source>The latest version of Tavrune Firmware Tool is %1; this one is %2.</source>
        <translation>Последняя версия Tavrune Firmware Tool: %1, у вас версия %2.</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 carries version %2. It was not written and not kept.</source>
        <translation>Файл прошивки, предложенный для версии %1, содержит версию %2. Он не был ни записан, ни сохранён.</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 is not the one first seen for that version, on %2. It was not written and not kept.</source>
        <translation>Файл прошивки, предложенный для версии %1, отличается от файла этой версии, впервые полученного %2. Он не был ни записан, ни сохранён.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>Connecting to the firmware server</source>
        <translation>Подключение к серверу прошивок</translation>
    </message>
    <message>
        <source>No adapter connected</source>
        <translation>Адаптер не подключён</translation>
    </message>
    <message>
        <source>Connect the Tavrune M4 adapter to this computer with its USB cable.</source>
        <translation>Подключите адаптер Tavrune M4 к этому компьютеру USB-кабелем.</translation>
    </message>
    <message>
        <source>Adapter connected</source>
        <translation>Адаптер подключён</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Ход обновления</translation>
    </message>
    <message>
        <source>New firmware version</source>
        <translation>Новая версия прошивки</translation>
    </message>
    <message>
        <source>The firmware version that the update button writes to the adapter</source>
        <translation>Версия прошивки, которую кнопка обновления запишет в адаптер</translation>
    </message>
    <message>
        <source>Change log</source>
        <translation>Журнал изменений</translation>
    </message>
    <message>
        <source>Shows what changed in the selected firmware version</source>
        <translation>Показывает изменения в выбранной версии прошивки</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>Открыть файл прошивки</translation>
    </message>
    <message>
        <source>Updates the adapter with a firmware file from this computer</source>
        <translation>Обновляет адаптер файлом прошивки с этого компьютера</translation>
    </message>
    <message>
        <source>Writes the selected firmware version to the adapter</source>
        <translation>Записывает выбранную версию прошивки в адаптер</translation>
    </message>
    <message>
        <source>Adapter versions</source>
        <translation>Версии адаптера</translation>
    </message>
    <message>
        <source>Shows the hardware and boot versions of the adapter</source>
        <translation>Показывает версии оборудования и загрузчика адаптера</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>The language of the tool</source>
        <translation>Язык программы</translation>
    </message>
    <message>
        <source>Firmware server reached</source>
        <translation>Сервер прошивок доступен</translation>
    </message>
    <message>
        <source>Firmware server not reached</source>
        <translation>Сервер прошивок недоступен</translation>
    </message>
    <message>
        <source>Whether the list of firmware versions was fetched from the firmware server in this run</source>
        <translation>Получен ли в этом запуске список версий прошивки с сервера</translation>
    </message>
</context>
<context>
    <name>MessageDialog</name>
    <message>
        <source>Notification</source>
        <translation>Уведомление</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Восстановить настройки по-умолчанию</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Обновить прошивку</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Message</source>
        <translation>Сообщение</translation>
    </message>
    <message>
        <source>Tavrune Firmware Tool is already running!</source>
        <translation>Утилита уже запущена!</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Boot Mode(No Controller):</source>
        <translation>Режим загрузки (без ручки)</translation>
    </message>
    <message>
        <source>Data Backup</source>
        <translation>Резервное копирование данных</translation>
    </message>
    <message>
        <source>Data Restore</source>
        <translation>Восстановление данных</translation>
    </message>
    <message>
        <source>UNDEFINE</source>
        <translation>[TBD]</translation>
    </message>
</context>
</TS>
