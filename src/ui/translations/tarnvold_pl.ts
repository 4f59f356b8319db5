<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="pl">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>Nie można otworzyć %1: nie ma takiego pliku ani folderu.</translation>
    </message>
</context>
<context>
    <name>tarnvold::AboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Stworzony przez twórców Tarnvold</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Koduje i dekoduje pliki hasłem.</translation>
    </message>
    <message>
        <source>Free software: GNU GPL 3 or later.</source>
        <translation>Wolne oprogramowanie: GNU GPL 3 lub nowsza.</translation>
    </message>
    <message>
        <source>Light protection only: keep originals.</source>
        <translation>Tylko lekka ochrona: zachowaj oryginały.</translation>
    </message>
    <message>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Wolne oprogramowanie na licencji GNU GPL w wersji 3 lub późniejszej.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>Format chroni tylko przed przypadkowymi czytelnikami; to nie jest prawdziwa ochrona.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Zachowaj oryginały, dopóki nie sprawdzisz zakodowanych kopii.</translation>
    </message>
</context>
<context>
    <name>tarnvold::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>Zatrzymaj</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>Upuszczono %1 plików lub folderów; zaznaczono pierwszy: %2</translation>
    </message>
    <message>
        <source>A file is being worked on. Stop it, leaving nothing of its output, and quit ?</source>
        <translation>Trwa przetwarzanie pliku. Zatrzymać, nie zostawiając nic z wyniku, i zakończyć ?</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>Trwa przetwarzanie folderu. Zatrzymać po bieżącym pliku i zakończyć ?</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>Nie można odczytać folderu %1: %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>Folder %1 nie zawiera żadnego czytelnego pliku</translation>
    </message>
</context>
<context>
    <name>tarnvold::ProgressPanel</name>
    <message>
        <source>Log</source>
        <translation>Dziennik</translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation>Postęp sumy kontrolnej</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Pierwszy przebieg kodowania</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Drugi przebieg kodowania</translation>
    </message>
</context>
<context>
    <name>tarnvold::ShellPanes</name>
    <message>
        <source>Files</source>
        <translation>Pliki</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Foldery</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>Nie można odczytać tego folderu: %1</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>Folder %1 został usunięty lub zmienił nazwę; pokazano %2</translation>
    </message>
</context>
<context>
    <name>tarnvold::HelpWindow</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>Nie znaleziono strony pomocy:</translation>
    </message>
</context>
<context>
    <name>tarnvold::PasswordDialog</name>
    <message>
        <source>%1 is not in %2</source>
        <translation>%1 nie występuje w %2</translation>
    </message>
    <message>
        <source>Enter the password again</source>
        <translation>Wpisz hasło ponownie</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>Potrzebne są co najmniej dwa znaki</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>Hasła się różnią; wpisz je od nowa</translation>
    </message>
</context>
<context>
    <name>tarnvold::FolderChooser</name>
    <message>
        <source>the name is empty</source>
        <translation>nazwa jest pusta</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>nazwa folderu nie może zawierać "/"</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>"%1" nie jest nazwą dla nowego folderu</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Foldery</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>Nie można utworzyć folderu %1: %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>Nie można utworzyć folderu %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::report</name>
    <message>
        <source>Password taken as %1</source>
        <translation>Hasło przyjęte jako %1</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files</source>
        <translation>Zatrzymane przez użytkownika po %1 z %2 plików</translation>
    </message>
    <message>
        <source>Passed by %1: it is the destination folder</source>
        <translation>Pominięto %1: to folder docelowy</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads into the destination folder</source>
        <translation>Pominięto %1: dowiązanie prowadzi do folderu docelowego</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads back to a folder being walked</source>
        <translation>Pominięto %1: dowiązanie prowadzi z powrotem do przeglądanego folderu</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is a symbolic link</source>
        <translation>Pominięto %1: cel %2 jest dowiązaniem symbolicznym</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is not a folder</source>
        <translation>Pominięto %1: cel %2 nie jest folderem</translation>
    </message>
    <message>
        <source>The destination folder is the source folder or lies inside it, nothing was written: %1</source>
        <translation>Folder docelowy jest folderem źródłowym lub leży w nim, nic nie zapisano: %1</translation>
    </message>
    <message>
        <source>Source and destination are the same file, nothing was written: %1</source>
        <translation>Źródło i cel to ten sam plik, nic nie zapisano: %1</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 już nie istnieje</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Wszystkie pliki (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>nazwa jest pusta</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>nazwa nie może zawierać "/"</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>"%1" nie może być nazwą</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>"%1" już istnieje w tym folderze</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>Nie można zmienić nazwy %1 na "%2": </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>odmowa</translation>
    </message>
</context>
</TS>
