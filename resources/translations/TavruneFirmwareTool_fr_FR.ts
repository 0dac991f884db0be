<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>MainWindow</name>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Configuration lost! Please restore defaults!</source>
        <translation>Configuration perdue! Veuillez restaurer les valeurs par défaut!</translation>
    </message>
    <message>
        <source>connect clould and sync information...</source>
        <translation>connexion aux serveurs cloud</translation>
    </message>
    <message>
        <source>Connect server error, will only use local cache firmware.</source>
        <translation>Échec de la connexion aux serveurs cloud</translation>
    </message>
    <message>
        <source>Current Firmware Version</source>
        <translation>Version actuelle du firmware</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Erase flash failure!</source>
        <translation>Erreur d&apos;effacement de la mémoire flash</translation>
    </message>
    <message>
        <source>The firmware on the adapter is incomplete: the update stopped before all of it was written.
Keep the adapter plugged in and run the update again.</source>
        <translation>Le micrologiciel de l&apos;adaptateur est incomplet : la mise à jour s&apos;est arrêtée avant qu&apos;il soit entièrement écrit.
Laissez l&apos;adaptateur branché et relancez la mise à jour.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Firmware downloading...</source>
        <translation>Télécharger le micrologiciel</translation>
    </message>
    <message>
        <source>Firmware file damage!</source>
        <translation>Ficher corrompu !</translation>
    </message>
    <message>
        <source>Firmware Files (*.bin *.rfw)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware lost! Please update firmware!</source>
        <translation>Firmware perdu ! Veuillez mettre à jour le micrologiciel!</translation>
    </message>
    <message>
        <source>Firmware upgrade is risky!</source>
        <translation>La mise à niveau du firmware est risquée !
Attention, s&apos;il vous plait !</translation>
    </message>
    <message>
        <source>Firmware upgrade is risky!
Caution, Please!</source>
        <translation>La mise à niveau du firmware est risquée&#xa0;!
Attention, s&apos;il vous plait !</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Hardware failure!</source>
        <translation>Défaillance du matériel</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>New Firmware Version</source>
        <translation>Nouvelle version du micrologiciel</translation>
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
        <translation>Restaurer les paramètres par défaut</translation>
    </message>
    <message>
        <source>Restored successfully!</source>
        <translation>Restauration réussie!</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>русский</translation>
    </message>
    <message>
        <source>successfully!</source>
        <translation>complété avec succès!</translation>
    </message>
    <message>
        <source>The firmware downloaded and checksum error.</source>
        <translation>Erreur de fichier du micrologiciel!</translation>
    </message>
    <message>
        <source>The information of server error, contact Tavrune for help.</source>
        <translation>mauvais fichier json!</translation>
    </message>
    <message>
        <source>The network error, checking connect and retry.</source>
        <translation>Échec de la connexion aux serveurs cloud</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Mise à jour du micrologiciel</translation>
    </message>
    <message>
        <source>Update successfully!</source>
        <translation>Mise à jour réussie!</translation>
    </message>
    <message>
        <source>Upgrade is not supported</source>
        <translation>La mise à niveau n&apos;est pas prise en charge&#xa0;!
Version de démarrage requise &gt;= 2.0.0</translation>
    </message>
    <message>
        <source>Version Change LOG</source>
        <translation>LOG du changement de version</translation>
    </message>
    <message>
        <source>Waring</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>When you first install Tavrune Firmware Tool must connect network, and restart Tavrune Firmware Tool.</source>
        <translation>Échec de la connexion aux serveurs cloud</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but another program is using it. Close that program, then unplug and replug the adapter.</source>
        <translation>L&apos;adaptateur est branché (%1), mais un autre programme l&apos;utilise. Fermez ce programme, puis débranchez et rebranchez l&apos;adaptateur.</translation>
    </message>
    <message>
        <source>The adapter is plugged in (%1), but this user may not open it. Install the Tavrune M4 Firmware Tool package or its udev rule, then unplug and replug the adapter.</source>
        <translation>L&apos;adaptateur est branché (%1), mais cet utilisateur n&apos;a pas le droit de l&apos;ouvrir. Installez le paquet Tavrune M4 Firmware Tool ou sa règle udev, puis débranchez et rebranchez l&apos;adaptateur.</translation>
    </message>
    <message>
        <source>The adapter is in use by another program.
It will be found here once that program is done.</source>
        <translation>L'adaptateur est utilisé par un autre programme.
Il sera trouvé ici dès que ce programme aura terminé.</translation>
    </message>
    <message>
        <source>The adapter is in use by %1.
It will be found here once that program is done.</source>
        <translation>L'adaptateur est utilisé par %1.
Il sera trouvé ici dès que ce programme aura terminé.</translation>
    </message>
    <message>
        <source>The latest version of Tavrune Firmware Tool is %1; this one is %2.</source>
        <translation>La dernière version de Tavrune Firmware Tool est la %1 ; celle-ci est la %2.</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 carries version %2. It was not written and not kept.</source>
        <translation>Le fichier de firmware proposé pour la version %1 contient la version %2. Il n&apos;a été ni écrit ni conservé.</translation>
    </message>
    <message>
        <source>The firmware file offered for version %1 is not the one first seen for that version, on %2. It was not written and not kept.</source>
        <translation>Le fichier de firmware proposé pour la version %1 n&apos;est pas celui vu pour la première fois pour cette version, le %2. Il n&apos;a été ni écrit ni conservé.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Connecting to the firmware server</source>
        <translation>Connexion au serveur de micrologiciels</translation>
    </message>
    <message>
        <source>No adapter connected</source>
        <translation>Aucun adaptateur connecté</translation>
    </message>
    <message>
        <source>Connect the Tavrune M4 adapter to this computer with its USB cable.</source>
        <translation>Branchez l'adaptateur Tavrune M4 à cet ordinateur avec son câble USB.</translation>
    </message>
    <message>
        <source>Adapter connected</source>
        <translation>Adaptateur connecté</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progression de la mise à jour</translation>
    </message>
    <message>
        <source>New firmware version</source>
        <translation>Nouvelle version du micrologiciel</translation>
    </message>
    <message>
        <source>The firmware version that the update button writes to the adapter</source>
        <translation>La version du micrologiciel que le bouton de mise à jour écrit dans l'adaptateur</translation>
    </message>
    <message>
        <source>Change log</source>
        <translation>Journal des modifications</translation>
    </message>
    <message>
        <source>Shows what changed in the selected firmware version</source>
        <translation>Affiche les changements de la version sélectionnée du micrologiciel</translation>
    </message>
    <message>
        <source>Open firmware file</source>
        <translation>Ouvrir un fichier de micrologiciel</translation>
    </message>
    <message>
        <source>Updates the adapter with a firmware file from this computer</source>
        <translation>Met à jour l'adaptateur avec un fichier de micrologiciel de cet ordinateur</translation>
    </message>
    <message>
        <source>Writes the selected firmware version to the adapter</source>
        <translation>Écrit la version sélectionnée du micrologiciel dans l'adaptateur</translation>
    </message>
    <message>
        <source>Adapter versions</source>
        <translation>Versions de l'adaptateur</translation>
    </message>
    <message>
        <source>Shows the hardware and boot versions of the adapter</source>
        <translation>Affiche les versions du matériel et du démarrage de l'adaptateur</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>The language of the tool</source>
        <translation>La langue de l'outil</translation>
    </message>
    <message>
        <source>Firmware server reached</source>
        <translation>Serveur de micrologiciels joint</translation>
    </message>
    <message>
        <source>Firmware server not reached</source>
        <translation>Serveur de micrologiciels injoignable</translation>
    </message>
    <message>
        <source>Whether the list of firmware versions was fetched from the firmware server in this run</source>
        <translation>Indique si la liste des versions du micrologiciel a été obtenue du serveur lors de ce lancement</translation>
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
        <translation>Restaurer les paramètres par défaut</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>Mise à jour du micrologiciel</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
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
        <translation>Tavrune Firmware Tool est en cours d&apos;exécution!</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Boot Mode(No Controller):</source>
        <translation>Mode de demarrage (sans manette)</translation>
    </message>
    <message>
        <source>Data Backup</source>
        <translation>Sauvegarde des données</translation>
    </message>
    <message>
        <source>Data Restore</source>
        <translation>Restauration des données</translation>
    </message>
    <message>
        <source>UNDEFINE</source>
        <translation>[TBD]</translation>
    </message>
</context>
</TS>
