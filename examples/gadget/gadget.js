// Sample gadget client: does from a command prompt what the Tellmark gadget does with the back end.
//   cscript //nologo gadget.js [seconds of live status, default 5]
// It needs Voltwise.dll registered and TellmarkSvc.exe running in the same user session.

var PRODUCT_KEY = "HKCU\\Software\\Quorvel\\Tellmark\\";
var STATUS_KEY = PRODUCT_KEY + "Current Status\\";
var FAN_MODE_REQUEST = 2;

var shell = new ActiveXObject("WScript.Shell");

function readValue(path) {
    try {
        return shell.RegRead(path);
    } catch (e) {
        return null; // not published (yet)
    }
}

function readStatus(name) {
    var value = readValue(STATUS_KEY + name);
    return value === null ? "(none)" : String(value);
}

// WScript.Sleep is missing from some script hosts (Wine's); a loopback ping waits on every host.
function pauseOneSecond() {
    shell.Run("ping -n 2 127.0.0.1", 0, true);
}

function statusLine() {
    return "volume " + readStatus("VolumeLevel") + "  mute " + readStatus("Mute") +
           "  display " + readStatus("DisplayOrientation");
}

var seconds = WScript.Arguments.length > 0 ? parseInt(WScript.Arguments(0), 10) : 5;

var battery = new ActiveXObject("Voltwise.BatteryRemainingTime");
WScript.Echo("Battery: " + battery.GetRemainingTime() + " minutes remaining");
WScript.Echo("Status:  " + statusLine());

// Commands: the service consumes each one on its next tick.
shell.RegWrite(STATUS_KEY + "SetVolume", "500000", "REG_SZ");
WScript.Echo("Sent:    SetVolume 500000 (half volume)");
shell.RegWrite(STATUS_KEY + "FanMode", 5, "REG_DWORD");
shell.RegWrite(PRODUCT_KEY + "PostMessage", FAN_MODE_REQUEST, "REG_DWORD");
WScript.Echo("Sent:    PostMessage 2 (fan mode) with FanMode 5");

for (var second = 1; second <= seconds; second++) {
    pauseOneSecond();
    var pending = readValue(STATUS_KEY + "SetVolume") === null ? "" : "  SetVolume pending";
    WScript.Echo("[" + second + "s]    " + statusLine() + "  PostMessage " + readValue(PRODUCT_KEY + "PostMessage") +
                 pending);
}
