<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="fr">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>Impossible d'ouvrir %1 : fichier ou dossier introuvable.</translation>
    </message>
</context>
<context>
    <name>tarnvold::AboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Réalisé par les développeurs de Tarnvold</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Code et décode des fichiers avec un mot de passe.</translation>
    </message>
    <message>
        <source>Free software: GNU GPL 3 or later.</source>
        <translation>Logiciel libre : GNU GPL 3 ou ultérieure.</translation>
    </message>
    <message>
        <source>Light protection only: keep originals.</source>
        <translation>Protection légère : gardez les originaux.</translation>
    </message>
    <message>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Logiciel libre sous licence GNU GPL, version 3 ou ultérieure.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>Le format ne protège que des lecteurs occasionnels ; ce n'est pas une vraie protection.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Gardez vos originaux jusqu'à avoir vérifié les copies codées.</translation>
    </message>
</context>
<context>
    <name>tarnvold::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>%1 fichiers ou dossiers déposés ; le premier est sélectionné : %2</translation>
    </message>
    <message>
        <source>A file is being worked on. Stop it, leaving nothing of its output, and quit ?</source>
        <translation>Un fichier est en cours de traitement. L'arrêter, sans rien laisser de sa sortie, et quitter ?</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>Un traitement de dossier est en cours. L'arrêter après le fichier en cours et quitter ?</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>Le dossier %1 ne peut pas être lu : %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>Le dossier %1 ne contient aucun fichier lisible</translation>
    </message>
</context>
<context>
    <name>tarnvold::ProgressPanel</name>
    <message>
        <source>Log</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation>Progression de la somme de contrôle</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Première passe de codage</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Seconde passe de codage</translation>
    </message>
</context>
<context>
    <name>tarnvold::ShellPanes</name>
    <message>
        <source>Files</source>
        <translation>Fichiers</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Dossiers</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>Ce dossier ne peut pas être lu : %1</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>Le dossier %1 a été supprimé ou renommé ; %2 est affiché</translation>
    </message>
</context>
<context>
    <name>tarnvold::HelpWindow</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>Page d'aide introuvable :</translation>
    </message>
</context>
<context>
    <name>tarnvold::PasswordDialog</name>
    <message>
        <source>%1 is not in %2</source>
        <translation>%1 n'est pas dans %2</translation>
    </message>
    <message>
        <source>Enter the password again</source>
        <translation>Entrez le mot de passe à nouveau</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>Au moins deux caractères requis</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>Les deux mots de passe diffèrent ; recommencez</translation>
    </message>
</context>
<context>
    <name>tarnvold::FolderChooser</name>
    <message>
        <source>the name is empty</source>
        <translation>le nom est vide</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>un nom de dossier ne peut pas contenir « / »</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>« %1 » n'est pas un nom pour un nouveau dossier</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Dossiers</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>Impossible de créer le dossier %1 : %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>Impossible de créer le dossier %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::report</name>
    <message>
        <source>Password taken as %1</source>
        <translation>Mot de passe pris en %1</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files</source>
        <translation>Arrêté par l'utilisateur après %1 fichiers sur %2</translation>
    </message>
    <message>
        <source>Passed by %1: it is the destination folder</source>
        <translation>Ignoré : %1 : c'est le dossier de destination</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads into the destination folder</source>
        <translation>Ignoré : %1 : le lien mène dans le dossier de destination</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads back to a folder being walked</source>
        <translation>Ignoré : %1 : le lien ramène à un dossier en cours de parcours</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is a symbolic link</source>
        <translation>Ignoré : %1 : sa destination %2 est un lien symbolique</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is not a folder</source>
        <translation>Ignoré : %1 : sa destination %2 n'est pas un dossier</translation>
    </message>
    <message>
        <source>The destination folder is the source folder or lies inside it, nothing was written: %1</source>
        <translation>Le dossier de destination est le dossier source ou se trouve dedans, rien n'a été écrit : %1</translation>
    </message>
    <message>
        <source>Source and destination are the same file, nothing was written: %1</source>
        <translation>La source et la destination sont le même fichier, rien n'a été écrit : %1</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 n'existe plus</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>le nom est vide</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>un nom ne peut pas contenir « / »</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>« %1 » ne peut pas être un nom</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>« %1 » existe déjà dans ce dossier</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>Impossible de renommer %1 en « %2 » : </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>refusé</translation>
    </message>
</context>
</TS>
