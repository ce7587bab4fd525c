"""What Zeb is known by from outside, as the program spells it
(common/AppNames.h for the names, res/resource.h for the ids): the window
class, the single-instance mutex, the registry key and its values, the
messages and commands the tests send it. Shared by the end-to-end tests, the
footprint report and anything else that drives a running Zeb."""

FRAME_CLASS = "ZebMFrame"
INSTANCE_MUTEX = "zeb_started"

# HKCU\APP_KEY and its values
APP_KEY = r"Software\Quillon\zeb"
STOCK_LIST = "StkCode"
QUOTE_HOST = "QuoteHost"
VENDOR_HOST = "VendorHost"
GUID = "Guid"
UPDATE_DEMAND = "Update"
UPDATE_NO_BUILD = "UpdateNoBuild"
INSTALLED_VER = "InstalledVer"
INTERNET_SETTINGS = r"Software\Microsoft\Windows\CurrentVersion\Internet Settings"

# The tray icon's message; with WM_LBUTTONDBLCLK it shows the window, which
# is also how a second start hands over to the running one.
WM_TRAYNOTIFY = 1034
WM_LBUTTONDBLCLK = 515
WM_HOTKEY = 0x0312
SHOW_HOTKEY_ID = 1001

# menu commands
ID_SETTINGS, ID_ABOUT, ID_EXIT = 32771, 32772, 32773
ID_TRANSPARENT, ID_REFRESH, ID_AUTO_UPGRADE = 32775, 32778, 32780
ID_DISCREET = 32782
