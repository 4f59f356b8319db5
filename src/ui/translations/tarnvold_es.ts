<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="es">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>No se puede abrir %1: no existe ese archivo ni esa carpeta.</translation>
    </message>
</context>
<context>
    <name>tarnvold::AboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Hecho por los desarrolladores de Tarnvold</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Codifica y descodifica archivos con una contraseña.</translation>
    </message>
    <message>
        <source>Free software: GNU GPL 3 or later.</source>
        <translation>Software libre: GNU GPL 3 o posterior.</translation>
    </message>
    <message>
        <source>Light protection only: keep originals.</source>
        <translation>Solo protección ligera: guarde los originales.</translation>
    </message>
    <message>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Software libre bajo la GNU GPL, versión 3 o posterior.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>El formato solo aparta a lectores casuales; no es una protección real.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Conserve los originales hasta haber comprobado las copias codificadas.</translation>
    </message>
</context>
<context>
    <name>tarnvold::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>Se soltaron %1 archivos o carpetas; el primero está seleccionado: %2</translation>
    </message>
    <message>
        <source>A file is being worked on. Stop it, leaving nothing of its output, and quit ?</source>
        <translation>Se está procesando un archivo. ¿Detenerlo, sin dejar nada de su salida, y salir ?</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>Hay un proceso de carpeta en curso. ¿Detenerlo tras el archivo actual y salir ?</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>No se puede leer la carpeta %1: %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>La carpeta %1 no contiene ningún archivo legible</translation>
    </message>
</context>
<context>
    <name>tarnvold::ProgressPanel</name>
    <message>
        <source>Log</source>
        <translation>Registro</translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation>Progreso de la suma de control</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Primera pasada de codificación</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Segunda pasada de codificación</translation>
    </message>
</context>
<context>
    <name>tarnvold::ShellPanes</name>
    <message>
        <source>Files</source>
        <translation>Archivos</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Carpetas</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>No se puede leer esta carpeta: %1</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>La carpeta %1 se eliminó o cambió de nombre; se muestra %2</translation>
    </message>
</context>
<context>
    <name>tarnvold::HelpWindow</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>No se encontró la página de ayuda:</translation>
    </message>
</context>
<context>
    <name>tarnvold::PasswordDialog</name>
    <message>
        <source>%1 is not in %2</source>
        <translation>%1 no está en %2</translation>
    </message>
    <message>
        <source>Enter the password again</source>
        <translation>Escriba la contraseña otra vez</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>Se necesitan al menos dos caracteres</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>Las contraseñas no coinciden; escríbala de nuevo</translation>
    </message>
</context>
<context>
    <name>tarnvold::FolderChooser</name>
    <message>
        <source>the name is empty</source>
        <translation>el nombre está vacío</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>un nombre de carpeta no puede contener "/"</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>"%1" no es un nombre para una carpeta nueva</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Carpetas</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>No se puede crear la carpeta %1: %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>No se puede crear la carpeta %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::report</name>
    <message>
        <source>Password taken as %1</source>
        <translation>Contraseña tomada como %1</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files</source>
        <translation>Detenido por el usuario tras %1 de %2 archivos</translation>
    </message>
    <message>
        <source>Passed by %1: it is the destination folder</source>
        <translation>Omitido %1: es la carpeta de destino</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads into the destination folder</source>
        <translation>Omitido %1: el enlace lleva a la carpeta de destino</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads back to a folder being walked</source>
        <translation>Omitido %1: el enlace vuelve a una carpeta que se está recorriendo</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is a symbolic link</source>
        <translation>Omitido %1: su destino %2 es un enlace simbólico</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is not a folder</source>
        <translation>Omitido %1: su destino %2 no es una carpeta</translation>
    </message>
    <message>
        <source>The destination folder is the source folder or lies inside it, nothing was written: %1</source>
        <translation>La carpeta de destino es la de origen o está dentro de ella, no se escribió nada: %1</translation>
    </message>
    <message>
        <source>Source and destination are the same file, nothing was written: %1</source>
        <translation>Origen y destino son el mismo archivo, no se escribió nada: %1</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 ya no existe</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>el nombre está vacío</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>un nombre no puede contener "/"</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>"%1" no puede ser un nombre</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>"%1" ya existe en esa carpeta</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>No se puede cambiar el nombre de %1 a "%2": </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>rechazado</translation>
    </message>
</context>
</TS>
