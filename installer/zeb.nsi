; The Zeb installer: per user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Zeb (a folder the user can write, so zeb.ini stays
; beside the program). scripts/package.sh builds it with makensis and defines:
;   ZEB_VERSION  the program's version (four numbers)
;   ZEB_TARGET   amd64-unicode for the 64-bit program, x86-unicode for the 32-bit one
;   ZEB_EXE      the Zeb.exe to install
;   ZEB_ICON     the program's icon
;   ZEB_OUTFILE  the installer to write
;   ZEB_CODESIGN (when signing) a command that signs a program in place with
;                Authenticode: the uninstaller is signed with it as it is made,
;                so the uninstall.exe the installer writes carries the signature
;
; Silent mode: /S installs (or, with the uninstaller, removes) without asking;
; /AUTORUN=1 or /AUTORUN=0 ticks or clears "开机自动运行" (left as it was
; when not given); /D=FOLDER, last on the line, picks another folder.
Unicode true
Target ${ZEB_TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zeb"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define APP_KEY "Software\Quillon\zeb"
!define PUBLISHER "Quillon"
; The mini-window's class and its menu's exit command.
!define ZEB_WINDOW_CLASS "ZebMFrame"
!define ID_EXIT 32773

Name "Zeb"
OutFile "${ZEB_OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Zeb"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Zeb ${ZEB_VERSION}"
!ifdef ZEB_CODESIGN
!uninstfinalize '"${ZEB_CODESIGN}" "%1"' = 0
!endif

; 1 when the installer ended a running Zeb, which it then starts again (when
; silent; shown, the finish page offers to).
Var closedZeb

!define MUI_ICON "${ZEB_ICON}"
!define MUI_UNICON "${ZEB_ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Zeb.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${ZEB_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "Zeb"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${ZEB_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${ZEB_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Zeb 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "© ${PUBLISHER}"

!define NOT_WRITTEN "无法写入 $INSTDIR\Zeb.exe，安装没有完成，原有的 Zeb 保持不变。$\r$\n请关闭正在使用它的程序，然后重新安装。"
!define STILL_RUNNING "Zeb 仍在运行（可能有打开的对话框）。$\r$\n请先退出 Zeb，然后点击“重试”。"

; The functions below serve the installer and the uninstaller alike ("un."
; for the uninstaller's copy).
!macro ZEB_FUNCTIONS un
; $0 = 1 while Zeb runs from $INSTDIR: Windows keeps a running program's
; file from being opened for writing.
Function ${un}ZebRunning
    StrCpy $0 0
    ${If} ${FileExists} "$INSTDIR\Zeb.exe"
        ClearErrors
        FileOpen $1 "$INSTDIR\Zeb.exe" a
        ${If} ${Errors}
            StrCpy $0 1
        ${Else}
            FileClose $1
        ${EndIf}
    ${EndIf}
FunctionEnd

; Ends a Zeb that runs from $INSTDIR through its own exit command, so it
; saves its settings as when the user chooses "退出"; asks the user when it
; does not end (a dialog of it may be open). Silently it gives up.
Function ${un}CloseZeb
    Call ${un}ZebRunning
    ${If} $0 == 1
    retry:
        FindWindow $1 "${ZEB_WINDOW_CLASS}"
        ${If} $1 != 0
            SendMessage $1 ${WM_COMMAND} ${ID_EXIT} 0 /TIMEOUT=5000
            StrCpy $closedZeb 1
        ${EndIf}
        StrCpy $2 0
        ${Do}
            Sleep 250
            Call ${un}ZebRunning
            IntOp $2 $2 + 1
            ${IfThen} $2 >= 60 ${|} ${ExitDo} ${|}
        ${LoopWhile} $0 == 1
        ${If} $0 == 1
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${STILL_RUNNING}" /SD IDCANCEL IDRETRY retry
            Abort
        ${EndIf}
    ${EndIf}
FunctionEnd

; $0 = 1 when the Run value "Zeb" starts the Zeb of $INSTDIR: the installer's
; quoted path, or the path the program itself enters (long or short form).
Function ${un}RunValueIsOurs
    StrCpy $0 0
    ClearErrors
    ReadRegStr $1 HKCU "${RUN_KEY}" "Zeb"
    ${IfNot} ${Errors}
        GetFullPathName /SHORT $2 "$INSTDIR\Zeb.exe"
        ${If} $1 == '"$INSTDIR\Zeb.exe"'
        ${OrIf} $1 == "$INSTDIR\Zeb.exe"
        ${OrIf} $1 == '"$2"'
        ${OrIf} $1 == "$2"
            StrCpy $0 1
        ${EndIf}
    ${EndIf}
FunctionEnd
!macroend
!insertmacro ZEB_FUNCTIONS ""
!insertmacro ZEB_FUNCTIONS "un."

Section "Zeb 程序和开始菜单快捷方式" secProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    Call CloseZeb
    ; zeb.ini, the settings, is not part of the package: an installation over
    ; an older one keeps it. A Zeb.exe that cannot be written (held by another
    ; program) fails the installation with the old one left whole, instead of
    ; a success that kept the old program.
    SetOverwrite try
    ClearErrors
    File "/oname=Zeb.exe" "${ZEB_EXE}"
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "${NOT_WRITTEN}" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    SetOverwrite on
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Zeb.lnk" "$INSTDIR\Zeb.exe" "" "$INSTDIR\Zeb.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Zeb"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${ZEB_VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Zeb.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/M=*.exe /S=0K /G=0" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The same Run value the settings' "开机自动运行" box enters, quoted.
Section /o "开机自动运行" secAutoRun
    WriteRegStr HKCU "${RUN_KEY}" "Zeb" '"$INSTDIR\Zeb.exe"'
SectionEnd

Section "-finish"
    ${IfNot} ${SectionIsSelected} ${secAutoRun}
        Call RunValueIsOurs
        ${If} $0 == 1
            DeleteRegValue HKCU "${RUN_KEY}" "Zeb"
        ${EndIf}
    ${EndIf}
    ; Shown, the finish page's "运行 Zeb" starts it: started here it would take
    ; the keyboard from that page.
    ${If} $closedZeb == 1
    ${AndIf} ${Silent}
        Exec '"$INSTDIR\Zeb.exe"'
    ${EndIf}
SectionEnd

Function .onInit
    StrCpy $closedZeb 0
    ; "开机自动运行" starts as the installation found it, unless the command
    ; line says otherwise.
    Call RunValueIsOurs
    ${If} $0 == 1
        !insertmacro SelectSection ${secAutoRun}
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/AUTORUN=" $2
    ${IfNot} ${Errors}
        ${If} $2 == 1
            !insertmacro SelectSection ${secAutoRun}
        ${Else}
            !insertmacro UnselectSection ${secAutoRun}
        ${EndIf}
    ${EndIf}
FunctionEnd

Function un.onInit
    StrCpy $closedZeb 0
FunctionEnd

Section "Uninstall"
    Call un.CloseZeb
    Delete "$INSTDIR\Zeb.exe"
    ; what an interrupted self-update may have left
    Delete "$INSTDIR\Zeb.new.exe"
    Delete "$INSTDIR\Zeb.exe.old"
    Delete "$INSTDIR\ZebUpdater.exe"
    Delete "$INSTDIR\ZebUpdater.failed"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\Zeb.lnk"
    Call un.RunValueIsOurs
    ${If} $0 == 1
        DeleteRegValue HKCU "${RUN_KEY}" "Zeb"
    ${EndIf}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; The settings stay unless the user lets them go; silently they stay.
    MessageBox MB_YESNO|MB_ICONQUESTION "是否保留 Zeb 的设置（股票列表、颜色等），以便以后重新安装时使用？" \
        /SD IDYES IDYES keep
    Delete "$INSTDIR\zeb.ini"
    ; where Zeb keeps them when its own folder cannot be written
    Delete "$APPDATA\Zeb\zeb.ini"
    RMDir "$APPDATA\Zeb"
    DeleteRegKey HKCU "${APP_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Quillon"
keep:
    RMDir "$INSTDIR"
SectionEnd
