<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="pt">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>Não é possível abrir %1: arquivo ou pasta inexistente.</translation>
    </message>
</context>
<context>
    <name>tarnvold::AboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Feito pelos desenvolvedores do Tarnvold</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Codifica e decodifica arquivos com uma senha.</translation>
    </message>
    <message>
        <source>Free software: GNU GPL 3 or later.</source>
        <translation>Software livre: GNU GPL 3 ou posterior.</translation>
    </message>
    <message>
        <source>Light protection only: keep originals.</source>
        <translation>Apenas proteção leve: guarde os originais.</translation>
    </message>
    <message>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Software livre sob a GNU GPL, versão 3 ou posterior.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>O formato só afasta leitores ocasionais; não é uma proteção real.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Guarde os originais até verificar as cópias codificadas.</translation>
    </message>
</context>
<context>
    <name>tarnvold::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>Parar</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>%1 arquivos ou pastas soltos; o primeiro está selecionado: %2</translation>
    </message>
    <message>
        <source>A file is being worked on. Stop it, leaving nothing of its output, and quit ?</source>
        <translation>Um arquivo está sendo processado. Pará-lo, sem deixar nada da saída, e sair ?</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>Um processamento de pasta está em andamento. Pará-lo após o arquivo atual e sair ?</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>Não é possível ler a pasta %1: %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>A pasta %1 não contém nenhum arquivo legível</translation>
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
        <translation>Progresso da soma de verificação</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Primeira passagem de codificação</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Segunda passagem de codificação</translation>
    </message>
</context>
<context>
    <name>tarnvold::ShellPanes</name>
    <message>
        <source>Files</source>
        <translation>Arquivos</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Pastas</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>Não é possível ler esta pasta: %1</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>A pasta %1 foi removida ou renomeada; %2 é mostrada</translation>
    </message>
</context>
<context>
    <name>tarnvold::HelpWindow</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>A página de ajuda não foi encontrada:</translation>
    </message>
</context>
<context>
    <name>tarnvold::PasswordDialog</name>
    <message>
        <source>%1 is not in %2</source>
        <translation>%1 não está em %2</translation>
    </message>
    <message>
        <source>Enter the password again</source>
        <translation>Digite a senha novamente</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>São necessários pelo menos dois caracteres</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>As senhas são diferentes; digite-a novamente</translation>
    </message>
</context>
<context>
    <name>tarnvold::FolderChooser</name>
    <message>
        <source>the name is empty</source>
        <translation>o nome está vazio</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>um nome de pasta não pode conter "/"</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>"%1" não é um nome para uma pasta nova</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Pastas</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>Não é possível criar a pasta %1: %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>Não é possível criar a pasta %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::report</name>
    <message>
        <source>Password taken as %1</source>
        <translation>Palavra-passe tomada como %1</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files</source>
        <translation>Parado pelo usuário após %1 de %2 arquivos</translation>
    </message>
    <message>
        <source>Passed by %1: it is the destination folder</source>
        <translation>Ignorado %1: é a pasta de destino</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads into the destination folder</source>
        <translation>Ignorado %1: o link leva à pasta de destino</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads back to a folder being walked</source>
        <translation>Ignorado %1: o link volta a uma pasta sendo percorrida</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is a symbolic link</source>
        <translation>Ignorado %1: o destino %2 é um link simbólico</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is not a folder</source>
        <translation>Ignorado %1: o destino %2 não é uma pasta</translation>
    </message>
    <message>
        <source>The destination folder is the source folder or lies inside it, nothing was written: %1</source>
        <translation>A pasta de destino é a pasta de origem ou está dentro dela, nada foi gravado: %1</translation>
    </message>
    <message>
        <source>Source and destination are the same file, nothing was written: %1</source>
        <translation>Origem e destino são o mesmo arquivo, nada foi gravado: %1</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 já não existe</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Todos os arquivos (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>o nome está vazio</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>um nome não pode conter "/"</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>"%1" não pode ser um nome</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>"%1" já existe nessa pasta</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>Não é possível renomear %1 para "%2": </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>recusado</translation>
    </message>
</context>
</TS>
