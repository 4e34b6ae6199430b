"""The package against tetherhub-sim (PTP_SIM: its path; the build sets it)."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import ptp


def setUpModule():
    global sim, card, camera
    card = tempfile.mkdtemp()
    with open(os.path.join(card, "NOTES.TXT"), "wb") as f:
        f.write(b"card file\n" * 100)
    sim = subprocess.Popen([os.environ.get("PTP_SIM", "tetherhub-sim"), "--port", "0",
                            "--camera", "canon", "--sd-card", card],
                           stdout=subprocess.PIPE, text=True)
    port = re.search(r":(\d+) ", sim.stdout.readline()).group(1)
    camera = ptp.Camera("127.0.0.1", port)


def tearDownModule():
    camera.close()
    sim.terminate()
    sim.wait()
    shutil.rmtree(card)


class CameraTest(unittest.TestCase):
    def test_session(self):
        self.assertIn("5D Mark IV", camera.model)
        self.assertEqual("Canon", camera.vendor)
        self.assertRegex(ptp.library_version(), r"^\d+\.\d+\.\d+$")
        with open(os.path.join(os.path.dirname(__file__), "..", "pyproject.toml")) as f:
            self.assertIn('version = "%s"' % ptp.library_version(), f.read())
        with self.assertRaises(RuntimeError):  # one session per process
            ptp.Camera("127.0.0.1", 1)

    def test_properties_by_name(self):
        self.assertIn("ISO", camera.properties)
        for given, label in [("ISO 400", "ISO 400"), (800, "ISO 800"), ("iso 1600", "ISO 1600"),
                             ("f8", "f8"), (5.6, "f5.6"), ("1/250", "1/250")]:
            name = "Aperture" if label.startswith("f") else \
                "Shutter Speed" if "/" in label else "ISO"
            with self.subTest(given=given):
                camera.properties[name] = given
                prop = camera.properties[name]
                self.assertEqual(label, prop.label)
                self.assertIn((label, prop.value), prop.choices)
        with self.assertRaises(ValueError):
            camera.properties["ISO"] = "ISO 12345678"

    def test_refused_write_raises(self):
        with self.assertRaises(ptp.PtpError) as caught:
            camera.properties["ISO"] = 0x7FFF  # a raw value the camera does not list
        self.assertNotEqual(0x2001, caught.exception.code)
        self.assertIn(caught.exception.name, str(caught.exception))

    def test_capture_downloaded(self):
        picture = camera.capture()
        self.assertTrue(picture.filename.upper().endswith(".JPG"), picture)
        calls = []
        with tempfile.TemporaryDirectory() as folder:
            path = camera.download(picture, folder, progress=lambda *a: calls.append(a))
            with open(path, "rb") as f:
                data = f.read()
        self.assertEqual(picture.filename, os.path.basename(path))
        self.assertEqual(picture.size, len(data))
        self.assertEqual((b"\xff\xd8", b"\xff\xd9"), (data[:2], data[-2:]))
        self.assertEqual((len(data), len(data)), calls[-1])

    def test_events_carry_new_objects(self):
        camera.shoot()
        added = next(e.object for e in camera.events(timeout=5) if e.name == "ObjectAdded")
        on_camera = camera.object_info(added.handle)
        self.assertEqual((on_camera.filename, on_camera.size), (added.filename, added.size))
        self.assertGreater(added.size, 0)

    def test_live_view_frames(self):
        frames = list(camera.live_view(frames=3))
        self.assertEqual(3, len(frames))
        for frame in frames:
            self.assertEqual((b"\xff\xd8", b"\xff\xd9"), (frame[:2], frame[-2:]))

    def test_sd_card(self):
        self.assertIn("NOTES.TXT", camera.sd_card.list())
        self.assertEqual(b"card file\n" * 100, camera.sd_card.get("NOTES.TXT"))
        with self.assertRaises(ptp.PtpError):
            camera.sd_card.get("MISSING.TXT")
