'''A desktop portal offering GlobalShortcuts, for the protocol tests of Hushdial's portal client.

Run with: python3 -m dbusmock --session -t portal_mock.py
It answers as xdg-desktop-portal 1.16 with the KDE backend does: shortcuts passed to CreateSession
are registered there, ListShortcuts gives what a session has, BindShortcuts adds the rest. The control
interface steers it: answer early (Response before the method's reply), cancel the next requests, send
Activated to everyone or to the session's owner alone, or for a session that is not the client's.

A session's Close is answered only once the session is taken down, a moment later, as the real portal
does on a worker thread; a session made at the same path meanwhile is forgotten with it, so the
desktop's presses for it are dropped, as the real portal drops them.
'''
import dbus
import dbus.lowlevel
import dbus.service
from gi.repository import GLib
from dbusmock import mockobject

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.GlobalShortcuts'
SYSTEM_BUS = False
CONTROL_IFACE = 'com.brightfen.HushdialPortalMock'
REQUEST_IFACE = 'org.freedesktop.portal.Request'
SESSION_IFACE = 'org.freedesktop.portal.Session'


def load(mock, parameters):
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({'version': dbus.UInt32(1)}, signature='sv'))
    mock.early = False
    mock.stall_close = False  # Close never answered, as by a portal that hangs
    mock.bind_response = 0  # what BindShortcuts answers when it binds (GNOME 48.0: 2)
    mock.cancel = False
    # Shortcuts passed to CreateSession are registered, as Plasma 5.27 does (-p '{"kde": false}': not).
    mock.kde = bool(parameters.get('kde', True))
    # The backend still holds the path asked for, from before a restart of the portal, as KDE's
    # backend does: the first N CreateSession are answered 2 (-p '{"held": N}').
    mock.held = int(parameters.get('held', 0))
    # As Plasma 6's backend (-p '{"plasma6": true}'): a session lists what the desktop keeps for the
    # program from before, a bind makes its list the program's whole set (what it leaves out loses its
    # key), and a shortcut the desktop no longer keeps is never activated.
    mock.plasma6 = bool(parameters.get('plasma6', False))
    mock.kept = {}  # id -> details, across sessions
    # KDE's backend beside the portal, by the version of its GlobalShortcuts (-p '{"kde_backend": 2}';
    # 0: none, as on GNOME). From 2 on (Plasma 6.5) a Plasma 6 session activates only what it bound.
    # -1: there, but serving another desktop, without global shortcuts.
    mock.kde_backend = int(parameters.get('kde_backend', 1 if mock.kde else 0))
    if mock.kde_backend:
        mock.kde_name = dbus.service.BusName('org.freedesktop.impl.portal.desktop.kde', mock.connection,
                                             allow_replacement=True, replace_existing=True, do_not_queue=True)
    if mock.kde_backend > 0:
        mock.AddProperties('org.freedesktop.impl.portal.GlobalShortcuts',
                           dbus.Dictionary({'version': dbus.UInt32(mock.kde_backend)}, signature='sv'))
    mock.calls = []
    mock.sessions = {}   # path -> {'owner': unique name, 'shortcuts': {id: details}}
    mock.session_objects = {}
    mock.forgotten = set()  # paths the portal no longer knows: Activated for them is dropped
    # The program each connection speaks for, fixed by its first call, as portal 1.20 has it: Register
    # names it only as that first call; any other call first leaves it unnamed ('').
    mock.apps = {}


def _app(mock, sender):
    return mock.apps.setdefault(str(sender), '')


class _Session(dbus.service.Object):
    def __init__(self, mock, path):
        super().__init__(mock.connection, path)
        self.mock = mock
        self.path = path
        self.methods = {}  # dbusmock's method lookup, installed for every object, looks here first
        self.interface = SESSION_IFACE

    @dbus.service.method(SESSION_IFACE, in_signature='', out_signature='', async_callbacks=('ok', 'err'))
    def Close(self, ok, err):
        if self.mock.stall_close:
            self.mock.calls.append('Close (no answer)')
            return

        def taken_down():
            self.mock.sessions.pop(self.path, None)
            self.mock.forgotten.add(self.path)
            self.mock.calls.append('Closed')
            ok()
            return False
        GLib.timeout_add(100, taken_down)


def _escape(sender):
    return sender[1:].replace('.', '_')


def _respond(mock, path, response, results):
    if path not in mockobject.objects:
        mock.AddObject(path, REQUEST_IFACE, {}, [('Close', '', '', '')])
    request = mockobject.objects[path]

    def emit():
        request.EmitSignal(REQUEST_IFACE, 'Response', 'ua{sv}', [dbus.UInt32(response),
                                                                  dbus.Dictionary(results, signature='sv')])
        return False

    if mock.early:
        emit()
    else:
        GLib.timeout_add(20, emit)


def _shortcut_list(shortcuts):
    return dbus.Array([dbus.Struct((sid, dbus.Dictionary(
        {'description': d.get('description', ''),
         'trigger_description': d.get('preferred_trigger', '')}, signature='sv')))
        for sid, d in shortcuts.items()], signature='(sa{sv})')


@dbus.service.method(MAIN_IFACE, in_signature='a{sv}', out_signature='o', sender_keyword='sender')
def CreateSession(self, options, sender):
    token = str(options.get('handle_token', 't'))
    request = '/org/freedesktop/portal/desktop/request/%s/%s' % (_escape(sender), token)
    session = '/org/freedesktop/portal/desktop/session/%s/%s' % (_escape(sender),
                                                                 str(options.get('session_handle_token', 's')))
    self.calls.append('CreateSession %s' % ' '.join(sorted(str(s[0]) for s in options.get('shortcuts', []))))
    _app(self, sender)
    if self.cancel:
        _respond(self, request, 1, {})
        return dbus.ObjectPath(request)
    if self.held > 0:
        self.held -= 1
        _respond(self, request, 2, {})
        return dbus.ObjectPath(request)
    if session not in self.session_objects:
        self.session_objects[session] = _Session(self, session)
    self.forgotten.discard(session)
    shortcuts = {}
    for sid, details in (options.get('shortcuts', []) if self.kde and not self.plasma6 else []):
        shortcuts[str(sid)] = {k: str(v) for k, v in details.items()}
    if self.plasma6:
        shortcuts = dict(self.kept)
    self.sessions[session] = {'owner': sender, 'shortcuts': shortcuts}
    _respond(self, request, 0, {'session_handle': session})
    return dbus.ObjectPath(request)


@dbus.service.method(MAIN_IFACE, in_signature='oa{sv}', out_signature='o', sender_keyword='sender')
def ListShortcuts(self, session, options, sender):
    request = '/org/freedesktop/portal/desktop/request/%s/%s' % (_escape(sender), str(options.get('handle_token', 't')))
    self.calls.append('ListShortcuts')
    _app(self, sender)
    known = self.sessions.get(str(session), {'shortcuts': {}})['shortcuts']
    _respond(self, request, 0, {'shortcuts': _shortcut_list(known)})
    return dbus.ObjectPath(request)


@dbus.service.method(MAIN_IFACE, in_signature='oa(sa{sv})sa{sv}', out_signature='o', sender_keyword='sender')
def BindShortcuts(self, session, shortcuts, parent, options, sender):
    request = '/org/freedesktop/portal/desktop/request/%s/%s' % (_escape(sender), str(options.get('handle_token', 't')))
    self.calls.append('BindShortcuts %s' % ' '.join(sorted(str(s[0]) for s in shortcuts)))
    if self.cancel:
        _respond(self, request, 1, {})
        return dbus.ObjectPath(request)
    if self.held > 0:
        self.held -= 1
        _respond(self, request, 2, {})
        return dbus.ObjectPath(request)
    _app(self, sender)
    known = self.sessions.setdefault(str(session), {'owner': sender, 'shortcuts': {}})['shortcuts']
    if self.plasma6:
        known.clear()
    for sid, details in shortcuts:
        known[str(sid)] = {k: str(v) for k, v in details.items()}
    if self.plasma6:
        self.kept = dict(known)
        self.sessions[str(session)]['bound'] = set(known)
    _respond(self, request, self.bind_response, {'shortcuts': _shortcut_list(known)})
    return dbus.ObjectPath(request)


@dbus.service.method('org.freedesktop.host.portal.Registry', in_signature='sa{sv}', out_signature='',
                     sender_keyword='sender')
def Register(self, app_id, options, sender):
    self.calls.append('Register %s' % app_id)
    if str(sender) in self.apps:
        raise dbus.exceptions.DBusException('Could not register app ID: Connection already associated with an '
                                            'application ID', name='org.freedesktop.portal.Error.Failed')
    self.apps[str(sender)] = str(app_id)


@dbus.service.method('org.freedesktop.portal.Settings', in_signature='ss', out_signature='v', sender_keyword='sender')
def Read(self, namespace, key, sender):
    '''What a toolkit asks first on its shared connection.'''
    _app(self, sender)
    return dbus.UInt32(0, variant_level=1)


@dbus.service.method(CONTROL_IFACE, in_signature='o', out_signature='s')
def AppOf(self, session):
    '''The program a session's owner speaks for, as the desktop would be told.'''
    owner = self.sessions.get(str(session), {}).get('owner')
    return self.apps.get(str(owner), '') if owner else '<no session>'


@dbus.service.method(CONTROL_IFACE, in_signature='bbb', out_signature='')
def Behave(self, early, cancel, kde):
    self.early = bool(early)
    self.cancel = bool(cancel)
    self.kde = bool(kde)


@dbus.service.method(CONTROL_IFACE, in_signature='b', out_signature='')
def StallClose(self, stall):
    self.stall_close = bool(stall)


@dbus.service.method(CONTROL_IFACE, in_signature='u', out_signature='')
def AnswerBindWith(self, response):
    self.bind_response = int(response)


@dbus.service.method(CONTROL_IFACE, in_signature='', out_signature='as')
def Calls(self):
    return dbus.Array(self.calls, signature='s')


@dbus.service.method(CONTROL_IFACE, in_signature='', out_signature='as')
def Sessions(self):
    return dbus.Array(list(self.sessions.keys()), signature='s')


def _delivered(mock, session, shortcut):
    if str(session) in mock.forgotten or (mock.plasma6 and str(shortcut) not in mock.kept):
        return False
    return not (mock.plasma6 and mock.kde_backend >= 2 and
                str(shortcut) not in mock.sessions.get(str(session), {}).get('bound', ()))


def _signal(mock, name, session, shortcut, unicast):
    owner = mock.sessions.get(str(session), {}).get('owner')
    message = dbus.lowlevel.SignalMessage(MAIN_OBJ, MAIN_IFACE, name)
    message.append(dbus.ObjectPath(session), shortcut, dbus.UInt64(1234), dbus.Dictionary({}, signature='sv'),
                   signature='osta{sv}')
    if unicast and owner:
        message.set_destination(owner)
    mock.connection.send_message(message)


@dbus.service.method(CONTROL_IFACE, in_signature='osb', out_signature='')
def Activate(self, session, shortcut, unicast):
    '''Activated, then Deactivated, for a session: to everyone, or to the session's owner alone.'''
    if _delivered(self, session, shortcut):
        _signal(self, 'Activated', session, shortcut, unicast)
        _signal(self, 'Deactivated', session, shortcut, unicast)


@dbus.service.method(CONTROL_IFACE, in_signature='osuub', out_signature='')
def Hold(self, session, shortcut, ms, every, release):
    '''A chord held for ms: Activated at once, again every `every` ms where the desktop repeats it
    (0: never), and Deactivated at the end unless release is false.'''
    if not _delivered(self, session, shortcut):
        return
    _signal(self, 'Activated', session, shortcut, False)
    left = [(int(ms) - 1) // int(every) if every else 0]  # each before the release

    def again():
        if left[0] <= 0:
            return False
        left[0] -= 1
        _signal(self, 'Activated', session, shortcut, False)
        return True

    if every:
        GLib.timeout_add(int(every), again)
    if release:
        GLib.timeout_add(int(ms), lambda: _signal(self, 'Deactivated', session, shortcut, False) or False)
