// A TCP relay between the browser and the web desk that the tests can cut (every connection
// dropped and new ones refused, as when a cable is pulled or a VPN drops) or freeze (connections
// stay open and nothing passes, as behind a stalled NAT or proxy).
import net from 'node:net';

export class Relay {
  /// Listens on a free loopback port and relays to targetPort.
  static async start(targetPort) {
    const relay = new Relay(targetPort);
    await new Promise((resolve) => relay.server.listen(0, '127.0.0.1', resolve));
    relay.port = relay.server.address().port;
    return relay;
  }

  constructor(targetPort) {
    this.targetPort = targetPort;
    this.pairs = new Set();
    this.state = 'open';
    this.server = net.createServer((client) => this.accept(client));
  }

  accept(client) {
    if (this.state === 'cut') {
      client.destroy();
      return;
    }
    const server = net.connect(this.targetPort, '127.0.0.1');
    const pair = { client, server };
    this.pairs.add(pair);
    const end = () => {
      client.destroy();
      server.destroy();
      this.pairs.delete(pair);
    };
    for (const [from, to] of [[client, server], [server, client]]) {
      from.on('data', (data) => {
        if (this.state === 'open')
          to.write(data);
      });
      from.on('error', end);
      from.on('close', end);
    }
  }

  /// Drops every connection; new ones are closed as they come until restore().
  cut() {
    this.state = 'cut';
    for (const { client, server } of [...this.pairs]) {
      client.destroy();
      server.destroy();
    }
    this.pairs.clear();
  }

  /// Connections stay open, and nothing passes either way (what is sent meanwhile is lost).
  freeze() {
    this.state = 'frozen';
  }

  restore() {
    this.state = 'open';
  }

  url() {
    return `http://127.0.0.1:${this.port}/`;
  }

  close() {
    this.cut();
    this.server.close();
  }
}
