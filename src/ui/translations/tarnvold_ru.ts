<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="ru">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>Не удаётся открыть %1: нет такого файла или папки.</translation>
    </message>
</context>
<context>
    <name>tarnvold::AboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Создано разработчиками Tarnvold</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Кодирует и декодирует файлы с паролем.</translation>
    </message>
    <message>
        <source>Free software: GNU GPL 3 or later.</source>
        <translation>Свободное ПО: GNU GPL 3 или новее.</translation>
    </message>
    <message>
        <source>Light protection only: keep originals.</source>
        <translation>Лишь лёгкая защита: храните оригиналы.</translation>
    </message>
    <message>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Свободное программное обеспечение под лицензией GNU GPL версии 3 или более поздней.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>Формат защищает лишь от случайных читателей; это не настоящая защита.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Храните оригиналы, пока не проверите закодированные копии.</translation>
    </message>
</context>
<context>
    <name>tarnvold::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>Стоп</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>Перетащено файлов или папок: %1; выбран первый: %2</translation>
    </message>
    <message>
        <source>A file is being worked on. Stop it, leaving nothing of its output, and quit ?</source>
        <translation>Идёт обработка файла. Остановить, не оставив ничего от результата, и выйти ?</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>Идёт обработка папки. Остановить после текущего файла и выйти ?</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>Папку %1 нельзя прочитать: %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>В папке %1 нет ни одного читаемого файла</translation>
    </message>
</context>
<context>
    <name>tarnvold::ProgressPanel</name>
    <message>
        <source>Log</source>
        <translation>Журнал</translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation>Ход контрольной суммы</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Первый проход кодирования</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Второй проход кодирования</translation>
    </message>
</context>
<context>
    <name>tarnvold::ShellPanes</name>
    <message>
        <source>Files</source>
        <translation>Файлы</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Папки</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>Эту папку нельзя прочитать: %1</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>Папка %1 удалена или переименована; показана %2</translation>
    </message>
</context>
<context>
    <name>tarnvold::HelpWindow</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>Страница справки не найдена:</translation>
    </message>
</context>
<context>
    <name>tarnvold::PasswordDialog</name>
    <message>
        <source>%1 is not in %2</source>
        <translation>%1 нет в %2</translation>
    </message>
    <message>
        <source>Enter the password again</source>
        <translation>Введите пароль ещё раз</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>Нужно не меньше двух символов</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>Пароли не совпадают; введите заново</translation>
    </message>
</context>
<context>
    <name>tarnvold::FolderChooser</name>
    <message>
        <source>the name is empty</source>
        <translation>имя пустое</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>имя папки не может содержать «/»</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>«%1» не годится как имя новой папки</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Папки</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>Не удаётся создать папку %1: %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>Не удаётся создать папку %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::report</name>
    <message>
        <source>Password taken as %1</source>
        <translation>Пароль принят как %1</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files</source>
        <translation>Остановлено пользователем после %1 из %2 файлов</translation>
    </message>
    <message>
        <source>Passed by %1: it is the destination folder</source>
        <translation>Пропущено %1: это папка назначения</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads into the destination folder</source>
        <translation>Пропущено %1: ссылка ведёт в папку назначения</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads back to a folder being walked</source>
        <translation>Пропущено %1: ссылка ведёт обратно в обходимую папку</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is a symbolic link</source>
        <translation>Пропущено %1: назначение %2 — символическая ссылка</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is not a folder</source>
        <translation>Пропущено %1: назначение %2 — не папка</translation>
    </message>
    <message>
        <source>The destination folder is the source folder or lies inside it, nothing was written: %1</source>
        <translation>Папка назначения совпадает с исходной или лежит внутри неё, ничего не записано: %1</translation>
    </message>
    <message>
        <source>Source and destination are the same file, nothing was written: %1</source>
        <translation>Источник и назначение — один и тот же файл, ничего не записано: %1</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 больше не существует</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Все файлы (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>имя пустое</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>имя не может содержать «/»</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>«%1» не может быть именем</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>«%1» уже есть в этой папке</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>Не удаётся переименовать %1 в «%2»: </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>отказано</translation>
    </message>
</context>
</TS>
